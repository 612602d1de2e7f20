#include "engine/FailureReason.h"

#include <QTest>

// The converter's own words, as ImageMagick and its decoders write them, read as the failure they
// describe.
class TestFailureReason : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertersWordsTellTheFailure_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<FailureKind>("kind");
        const auto row = [](const char *name, const char *output, FailureKind kind) {
            QTest::newRow(name) << QString::fromUtf8(output) << kind;
        };
        row("words in a PNG's name", "convert: improper image header `t.png' @ error/png.c",
            FailureKind::NotAnImage);
        row("no decoder for what it is", "convert: no decode delegate for this image format `DAT'",
            FailureKind::NotAnImage);
        row("libjpeg's refusal", "Not a JPEG file: starts with 0x00 0x00", FailureKind::NotAnImage);
        row("libtiff's refusal", "Not a TIFF or MDI file, bad magic number 0 (0x0).",
            FailureKind::NotAnImage);
        row("a source gone", "convert: unable to open image `a.png': No such file or directory",
            FailureKind::NotAnImage);
        row("memory the system would not give", "convert: cannot allocate memory `big.tif'",
            FailureKind::TooLarge);
        row("memory ImageMagick could not have", "convert: memory allocation failed `big.png'",
            FailureKind::TooLarge);
        row("a pixel limit", "convert: width or height exceeds limit `giant.gif'",
            FailureKind::TooLarge);
        row("the pixel cache", "convert: cache resources exhausted `huge.png'",
            FailureKind::TooLarge);
        row("cut short", "convert: insufficient image data in file `j.jpg'", FailureKind::Damaged);
        row("a cut-off JPEG", "convert: Premature end of JPEG file `cut.jpg'",
            FailureKind::Damaged);
        // "not a valid" is no "not a … file": the TIFF is one, only broken.
        row("a broken TIFF directory",
            "convert: Sanity check on directory count failed, this is probably not a valid IFD "
            "offset. `TIFFFetchDirectory'\nconvert: no images defined `o.jpg'",
            FailureKind::Damaged);
        row("a decoder that gave up without a word", "convert: no images defined `o.jpg'",
            FailureKind::Damaged);
        row("refused by the policy",
            "convert: attempt to perform an operation not allowed by the security policy `SVG'",
            FailureKind::Unsupported);
        row("ImageMagick 7's refusal", "magick: not authorized `MVG'", FailureKind::Unsupported);
        row("nothing said", "", FailureKind::ConversionFailed);
        row("words we do not know", "this image is broken", FailureKind::ConversionFailed);
        row("phrases inside other words", "cannotallocate; damagedness; xnot a jpeg files",
            FailureKind::ConversionFailed);
    }

    void convertersWordsTellTheFailure()
    {
        QFETCH(QString, output);
        QFETCH(FailureKind, kind);
        QCOMPARE(FailureReason::fromConverterOutput(output), kind);
    }

    void onlyACutOffSourceFailsAConversionThatSucceeded_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("cut off") << QStringLiteral("Premature end of JPEG file") << true;
        QTest::newRow("in other letters") << QStringLiteral("PREMATURE END OF data") << true;
        QTest::newRow("stray bytes")
            << QStringLiteral("Corrupt JPEG data: 8 extraneous bytes before marker 0xd9") << false;
        QTest::newRow("silent") << QString() << false;
    }

    void onlyACutOffSourceFailsAConversionThatSucceeded()
    {
        QFETCH(QString, output);
        QFETCH(bool, damaged);
        QCOMPARE(FailureReason::reportsDamagedSource(output), damaged);
    }
};

QTEST_GUILESS_MAIN(TestFailureReason)
#include "tst_failurereason.moc"
