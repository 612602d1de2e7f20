#include "engine/ImageHeader.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <optional>
#include <sys/stat.h>

namespace {

// Edits that turn a real converter-written file into one a converter would not write itself.
using Patch = QByteArray (*)(const QByteArray &);

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// A private metadata chunk bigger than the read limit, right after IHDR.
QByteArray withLargePngChunk(const QByteArray &png)
{
    const QByteArray body = "prVt" + QByteArray(300 * 1024, 'x');
    return QByteArray(png).insert(33, bigEndian32(quint32(body.size() - 4)) + body +
                                          bigEndian32(ImageHeader::pngCrc(body)));
}

qsizetype gifFirstBlock(const QByteArray &gif)
{
    const quint8 flags = quint8(gif.at(10));
    return 13 + ((flags & 0x80) ? 3 * (2 << (flags & 0x07)) : 0);
}

QByteArray gifWithExtensionsBeforeControl(const QByteArray &gif)
{
    const QByteArray loop("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    const QByteArray comment("\x21\xfe\x05hello\x00", 9);
    return QByteArray(gif).insert(gifFirstBlock(gif), loop + comment);
}

QByteArray gifWithIndexBeyondTable(const QByteArray &gif)
{
    const qsizetype control = gif.indexOf("\x21\xf9\x04");
    if (control < 0)
        return {};
    QByteArray patched = gif;
    patched[control + 6] = char((2 << (quint8(gif.at(10)) & 0x07)) + 1);
    return patched;
}

// A V5 bitmap with its alpha mask but plain BI_RGB pixels.
QByteArray bmpWithoutBitfields(const QByteArray &bmp)
{
    QByteArray patched = bmp;
    patched[30] = '\0';
    return patched;
}

// The ExtraSamples entry (one SHORT) of a converter-written TIFF, in either byte order.
qsizetype tiffExtraSamplesEntry(const QByteArray &tiff)
{
    const qsizetype little = tiff.indexOf(QByteArray("\x52\x01\x03\x00\x01\x00\x00\x00", 8));
    return little >= 0 ? little : tiff.indexOf(QByteArray("\x01\x52\x00\x03\x00\x00\x00\x01", 8));
}

// The one extra sample marked "unspecified" instead of alpha.
QByteArray tiffWithUnspecifiedExtraSample(const QByteArray &tiff)
{
    const qsizetype entry = tiffExtraSamplesEntry(tiff);
    return entry < 0 ? QByteArray() : QByteArray(tiff).replace(entry + 8, 2, QByteArray(2, '\0'));
}

// An ExtraSamples entry listing nothing: the fourth sample of RGB is extra all the same.
QByteArray tiffWithoutExtraSamplesCount(const QByteArray &tiff)
{
    const qsizetype entry = tiffExtraSamplesEntry(tiff);
    return entry < 0 ? QByteArray() : QByteArray(tiff).replace(entry + 4, 4, QByteArray(4, '\0'));
}

struct Case {
    const char *tag;
    QStringList arguments; // the converter's input and options
    QString format;        // the output coder
    Patch patch;
    bool transparent;
};

QList<Case> cases()
{
    const QStringList halfAlpha{QStringLiteral("-alpha"),    QStringLiteral("set"),
                                QStringLiteral("-channel"),  QStringLiteral("A"),
                                QStringLiteral("-evaluate"), QStringLiteral("set"),
                                QStringLiteral("50%"),       QStringLiteral("+channel")};
    const QStringList rose{QStringLiteral("rose:")};
    const QStringList roseAlpha = rose + halfAlpha;
    const QStringList grey{QStringLiteral("-colorspace"), QStringLiteral("Gray")};
    const QStringList cmyk{QStringLiteral("-colorspace"), QStringLiteral("CMYK")};
    // The second colour's bytes read like GIF block introducers, should a colour table not be
    // skipped.
    const QStringList twoColours{QStringLiteral("-size"), QStringLiteral("16x16"),
                                 QStringLiteral("xc:red"), QStringLiteral("xc:#212c3b"),
                                 QStringLiteral("-append")};
    const QStringList oneClear =
        twoColours + QStringList{QStringLiteral("-transparent"), QStringLiteral("red")};
    const QStringList whiteClear{QStringLiteral("-fuzz"), QStringLiteral("10%"),
                                 QStringLiteral("-transparent"), QStringLiteral("white")};
    const QStringList msb{QStringLiteral("-define"), QStringLiteral("tiff:endian=msb")};
    const QStringList lsb{QStringLiteral("-define"), QStringLiteral("tiff:endian=lsb")};
    const QStringList bmp3Alpha{QStringLiteral("-define"), QStringLiteral("bmp3:alpha=true")};
    return {
        {"png rgba", roseAlpha, QStringLiteral("PNG32"), nullptr, true},
        {"png grey+alpha", rose + grey + halfAlpha, QStringLiteral("PNG"), nullptr, true},
        {"png palette tRNS", oneClear, QStringLiteral("PNG8"), nullptr, true},
        {"png rgb tRNS", rose + whiteClear, QStringLiteral("PNG24"), nullptr, true},
        {"png grey tRNS",
         {QStringLiteral("-size"), QStringLiteral("16x16"), QStringLiteral("xc:gray50"),
          QStringLiteral("xc:white"), QStringLiteral("-append"), QStringLiteral("-transparent"),
          QStringLiteral("white"), QStringLiteral("-define"), QStringLiteral("png:color-type=0")},
         QStringLiteral("PNG"),
         nullptr,
         true},
        {"png tRNS after a large chunk", rose + whiteClear, QStringLiteral("PNG24"),
         withLargePngChunk, true},
        {"png rgb", rose, QStringLiteral("PNG24"), nullptr, false},
        {"png grey", rose + grey, QStringLiteral("PNG"), nullptr, false},
        {"png palette", twoColours, QStringLiteral("PNG8"), nullptr, false},
        {"png rgb with a large chunk", rose, QStringLiteral("PNG24"), withLargePngChunk, false},
        {"gif transparent", oneClear, QStringLiteral("GIF"), nullptr, true},
        {"gif extensions before the control", oneClear, QStringLiteral("GIF"),
         gifWithExtensionsBeforeControl, true},
        {"gif animated transparent",
         QStringList{QStringLiteral("-loop"), QStringLiteral("0"), QStringLiteral("-delay"),
                     QStringLiteral("10")} +
             oneClear,
         QStringLiteral("GIF"), nullptr, true},
        {"gif opaque", twoColours, QStringLiteral("GIF"), nullptr, false},
        {"gif only a later frame transparent",
         {QStringLiteral("-size"), QStringLiteral("16x16"), QStringLiteral("xc:red"),
          QStringLiteral("("), QStringLiteral("xc:blue"), QStringLiteral("xc:green"),
          QStringLiteral("-append"), QStringLiteral("-transparent"), QStringLiteral("blue"),
          QStringLiteral(")"), QStringLiteral("-loop"), QStringLiteral("0")},
         QStringLiteral("GIF"),
         nullptr,
         false},
        {"gif index beyond its table", oneClear, QStringLiteral("GIF"), gifWithIndexBeyondTable,
         false},
        {"bmp v5 alpha", roseAlpha, QStringLiteral("BMP"), nullptr, true},
        {"bmp v5 argb1555",
         roseAlpha + QStringList{QStringLiteral("-define"), QStringLiteral("bmp:subtype=ARGB1555")},
         QStringLiteral("BMP"), nullptr, true},
        {"bmp3 32-bit alpha bytes", roseAlpha + bmp3Alpha, QStringLiteral("BMP3"), nullptr, true},
        {"bmp v5 alpha mask without bitfields", roseAlpha, QStringLiteral("BMP"),
         bmpWithoutBitfields, false},
        {"bmp3 32-bit zero fourth bytes",
         rose + QStringList{QStringLiteral("-alpha"), QStringLiteral("transparent")} + bmp3Alpha,
         QStringLiteral("BMP3"), nullptr, false},
        {"bmp3 alpha dropped", roseAlpha, QStringLiteral("BMP3"), nullptr, false},
        {"bmp 24-bit", rose, QStringLiteral("BMP"), nullptr, false},
        {"bmp os2", rose, QStringLiteral("BMP2"), nullptr, false},
        {"tiff alpha lsb", roseAlpha + lsb, QStringLiteral("TIFF"), nullptr, true},
        {"tiff alpha msb", roseAlpha + msb, QStringLiteral("TIFF"), nullptr, true},
        {"tiff grey+alpha msb", rose + grey + halfAlpha + msb, QStringLiteral("TIFF"), nullptr,
         true},
        {"tiff cmyk+alpha", rose + cmyk + halfAlpha, QStringLiteral("TIFF"), nullptr, true},
        {"tiff unspecified extra sample", roseAlpha + lsb, QStringLiteral("TIFF"),
         tiffWithUnspecifiedExtraSample, true},
        {"tiff rgb+1 msb without extra samples count", roseAlpha + msb, QStringLiteral("TIFF"),
         tiffWithoutExtraSamplesCount, true},
        {"tiff directory after 3 MB of pixels",
         QStringList{QStringLiteral("-size"), QStringLiteral("600x600"),
                     QStringLiteral("gradient:red-blue")} +
             halfAlpha,
         QStringLiteral("TIFF"), nullptr, true},
        {"bigtiff alpha", roseAlpha, QStringLiteral("TIFF64"), nullptr, true},
        {"tiff opaque lsb", rose + lsb, QStringLiteral("TIFF"), nullptr, false},
        {"tiff opaque msb", rose + msb, QStringLiteral("TIFF"), nullptr, false},
        {"tiff cmyk", rose + cmyk, QStringLiteral("TIFF"), nullptr, false},
        {"bigtiff opaque", rose, QStringLiteral("TIFF64"), nullptr, false},
        {"jpeg", roseAlpha, QStringLiteral("JPEG"), nullptr, false},
    };
}

// What the converter itself says about the first image: nothing when it cannot read it.
std::optional<bool> imageMagickVerdict(const QString &path)
{
    QByteArray verdict;
    if (!TestFiles::imageMagick(
            QStringLiteral("identify-im6.q16"),
            {QStringLiteral("-format"), QStringLiteral("%A"), path + QStringLiteral("[0]")},
            &verdict))
        return std::nullopt;
    if (verdict == "True" || verdict == "Blend")
        return true;
    if (verdict == "False" || verdict == "Undefined")
        return false;
    return std::nullopt;
}

} // namespace

Q_DECLARE_METATYPE(Patch)

class TestImageHeader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Every case, or only the transparent ones, as rows of the current data function.
    static void addCases(bool onlyTransparent)
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("format");
        QTest::addColumn<Patch>("patch");
        QTest::addColumn<bool>("transparent");
        for (const Case &c : cases()) {
            if (c.transparent || !onlyTransparent)
                QTest::newRow(c.tag) << c.arguments << c.format << c.patch << c.transparent;
        }
    }

    // The bytes of the current row's image, made once by the real converter and patched.
    QByteArray currentCase()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, format);
        QFETCH(Patch, patch);
        return makeCopy(QString::fromLatin1(QTest::currentDataTag()), arguments, format, patch);
    }

    QByteArray makeCopy(const QString &tag, const QStringList &arguments, const QString &format,
                        Patch patch)
    {
        const QString original = m_dir.filePath(tag + QStringLiteral(".img"));
        if (!QFileInfo::exists(original) &&
            !TestFiles::imageMagick(QStringLiteral("convert-im6.q16"),
                                    arguments + QStringList{format + u':' + original}))
            return {};
        QByteArray bytes = TestFiles::read(original);
        return patch && !bytes.isEmpty() ? patch(bytes) : bytes;
    }

    // The file as the run sees it: a copy named tmp.dat, so only its bytes tell the format.
    QString write(const QString &tag, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(tag + QStringLiteral("/tmp.dat"));
        return TestFiles::write(path, bytes) ? path : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Cases take "cannot read" for an answer, so first make sure the tool runs at all.
        QVERIFY(TestFiles::imageMagick(QStringLiteral("identify-im6.q16"),
                                       {QStringLiteral("-version")}));
    }

    void agreesWithImageMagick_data() { addCases(false); }

    void agreesWithImageMagick()
    {
        QFETCH(bool, transparent);
        const QByteArray bytes = currentCase();
        QVERIFY(!bytes.isEmpty());
        const QString path = write(QString::fromLatin1(QTest::currentDataTag()), bytes);
        QVERIFY(!path.isEmpty());
        QCOMPARE(imageMagickVerdict(path), std::optional<bool>(transparent));
        QCOMPARE(ImageHeader::read(path).transparent, transparent);
    }

    // Cut short anywhere, a transparent file never crashes the reader, and wherever the
    // converter still reads the rest it gets the same answer.
    void truncatedFiles_data() { addCases(true); }

    void truncatedFiles()
    {
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        const QByteArray bytes = currentCase();
        QVERIFY(!bytes.isEmpty());
        for (const qsizetype length : {0, 1, 5, 8, 12, 16, 20, 26, 33, 40, 54, 60, 70, 100, 200,
                                       int(bytes.size() / 2), int(bytes.size() - 1)}) {
            const QString path = write(tag + QStringLiteral("-cut"), bytes.left(length));
            const bool answer = ImageHeader::read(path).transparent;
            const std::optional<bool> verdict = imageMagickVerdict(path);
            if (length < 8 || verdict)
                QVERIFY2(answer == verdict.value_or(false), qPrintable(QString::number(length)));
        }
    }

    // Random bytes written over a real file's header and its end (where a TIFF keeps its
    // directory): never a crash, and the converter's answer wherever it still reads the file.
    void corruptedFiles_data() { addCases(false); }

    void corruptedFiles()
    {
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        const QByteArray bytes = currentCase();
        QVERIFY(!bytes.isEmpty());
        QRandomGenerator random(qHash(tag));
        for (int round = 0; round < 12; ++round) {
            QByteArray corrupted = bytes;
            for (int i = 0, count = random.bounded(1, 4); i < count; ++i) {
                const qsizetype at =
                    random.bounded(2) ? random.bounded(qMin(bytes.size(), 128))
                                      : bytes.size() - 1 - random.bounded(qMin(bytes.size(), 256));
                corrupted[at] = char(random.bounded(256));
            }
            const QString path = write(tag + QStringLiteral("-corrupt"), corrupted);
            const bool answer = ImageHeader::read(path).transparent;
            if (const std::optional<bool> verdict = imageMagickVerdict(path))
                QVERIFY2(answer == *verdict, corrupted.toHex().left(300).constData());
        }
    }

    void notAnImage()
    {
        QVERIFY(!ImageHeader::read(write(QStringLiteral("empty"), QByteArray())).transparent);
        QVERIFY(!ImageHeader::read(m_dir.filePath(QStringLiteral("missing/tmp.dat"))).transparent);
        QVERIFY(!ImageHeader::read(m_dir.path()).transparent);
        QVERIFY(!ImageHeader::read(QString()).transparent);
        // A pipe nobody writes to would block a reader that opened it.
        const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(!ImageHeader::read(pipe).transparent);
    }

    // Random bytes, bare or behind each signature, are opaque unless the converter itself
    // makes a transparent image of them.
    void garbage()
    {
        const QList<QByteArray> signatures{QByteArray(),
                                           QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16),
                                           "GIF89a",
                                           "BM",
                                           QByteArray("II*\0", 4),
                                           QByteArray("MM\0*", 4),
                                           QByteArray("II+\0\x08\0\0\0", 8)};
        QRandomGenerator random(20240611);
        for (const QByteArray &signature : signatures) {
            for (int round = 0; round < 4; ++round) {
                QByteArray bytes = signature;
                for (int i = 0; i < 600; ++i)
                    bytes += char(random.bounded(256));
                const QString path = write(QStringLiteral("garbage"), bytes);
                QCOMPARE(ImageHeader::read(path).transparent,
                         imageMagickVerdict(path).value_or(false));
            }
        }
    }

    // The fourth bytes of a plain 32-bit bitmap are looked at only as far as the read limit
    // reaches: here the one non-zero byte is in the last stored row, 8 MB in, so the answer
    // stays "opaque" although the converter, decoding everything, finds it.
    void bitmapScanStopsAtReadLimit()
    {
        const QStringList image{QStringLiteral("-size"),
                                QStringLiteral("2000x1000"),
                                QStringLiteral("xc:red"),
                                QStringLiteral("-alpha"),
                                QStringLiteral("transparent"),
                                QStringLiteral("-fill"),
                                QStringLiteral("rgba(0,0,255,0.5)")};
        const QStringList bmp3{QStringLiteral("-define"), QStringLiteral("bmp3:alpha=true")};
        // Rows are stored bottom-up: the top row comes last.
        const QByteArray top = makeCopy(
            QStringLiteral("alpha in top row"),
            image + QStringList{QStringLiteral("-draw"), QStringLiteral("point 0,0")} + bmp3,
            QStringLiteral("BMP3"), nullptr);
        const QByteArray bottom = makeCopy(
            QStringLiteral("alpha in bottom row"),
            image + QStringList{QStringLiteral("-draw"), QStringLiteral("point 0,999")} + bmp3,
            QStringLiteral("BMP3"), nullptr);
        const QString topPath = write(QStringLiteral("top"), top);
        const QString bottomPath = write(QStringLiteral("bottom"), bottom);
        QCOMPARE(imageMagickVerdict(topPath), std::optional<bool>(true));
        QCOMPARE(imageMagickVerdict(bottomPath), std::optional<bool>(true));
        QVERIFY(!ImageHeader::read(topPath).transparent);
        QVERIFY(ImageHeader::read(bottomPath).transparent);
    }
};

QTEST_GUILESS_MAIN(TestImageHeader)
#include "tst_imageheader.moc"
