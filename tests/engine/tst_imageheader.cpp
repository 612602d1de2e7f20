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

using namespace Qt::StringLiterals;

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
    const QStringList halfAlpha{u"-alpha"_s,    u"set"_s, u"-channel"_s, u"A"_s,
                                u"-evaluate"_s, u"set"_s, u"50%"_s,      u"+channel"_s};
    const QStringList rose{u"rose:"_s};
    const QStringList roseAlpha = rose + halfAlpha;
    const QStringList grey{u"-colorspace"_s, u"Gray"_s};
    const QStringList cmyk{u"-colorspace"_s, u"CMYK"_s};
    // The second colour's bytes read like GIF block introducers, should a colour table not be
    // skipped.
    const QStringList twoColours{u"-size"_s, u"16x16"_s, u"xc:red"_s, u"xc:#212c3b"_s,
                                 u"-append"_s};
    const QStringList oneClear = twoColours + QStringList{u"-transparent"_s, u"red"_s};
    const QStringList whiteClear{u"-fuzz"_s, u"10%"_s, u"-transparent"_s, u"white"_s};
    const QStringList msb{u"-define"_s, u"tiff:endian=msb"_s};
    const QStringList lsb{u"-define"_s, u"tiff:endian=lsb"_s};
    const QStringList bmp3Alpha{u"-define"_s, u"bmp3:alpha=true"_s};
    return {
        {"png rgba", roseAlpha, u"PNG32"_s, nullptr, true},
        {"png grey+alpha", rose + grey + halfAlpha, u"PNG"_s, nullptr, true},
        {"png palette tRNS", oneClear, u"PNG8"_s, nullptr, true},
        {"png rgb tRNS", rose + whiteClear, u"PNG24"_s, nullptr, true},
        {"png grey tRNS",
         {u"-size"_s, u"16x16"_s, u"xc:gray50"_s, u"xc:white"_s, u"-append"_s, u"-transparent"_s,
          u"white"_s, u"-define"_s, u"png:color-type=0"_s},
         u"PNG"_s,
         nullptr,
         true},
        {"png tRNS after a large chunk", rose + whiteClear, u"PNG24"_s, withLargePngChunk, true},
        {"png rgb", rose, u"PNG24"_s, nullptr, false},
        {"png grey", rose + grey, u"PNG"_s, nullptr, false},
        {"png palette", twoColours, u"PNG8"_s, nullptr, false},
        {"png rgb with a large chunk", rose, u"PNG24"_s, withLargePngChunk, false},
        {"gif transparent", oneClear, u"GIF"_s, nullptr, true},
        {"gif extensions before the control", oneClear, u"GIF"_s, gifWithExtensionsBeforeControl,
         true},
        {"gif animated transparent",
         QStringList{u"-loop"_s, u"0"_s, u"-delay"_s, u"10"_s} + oneClear, u"GIF"_s, nullptr, true},
        {"gif opaque", twoColours, u"GIF"_s, nullptr, false},
        {"gif only a later frame transparent",
         {u"-size"_s, u"16x16"_s, u"xc:red"_s, u"("_s, u"xc:blue"_s, u"xc:green"_s, u"-append"_s,
          u"-transparent"_s, u"blue"_s, u")"_s, u"-loop"_s, u"0"_s},
         u"GIF"_s,
         nullptr,
         false},
        {"gif index beyond its table", oneClear, u"GIF"_s, gifWithIndexBeyondTable, false},
        {"bmp v5 alpha", roseAlpha, u"BMP"_s, nullptr, true},
        {"bmp v5 argb1555", roseAlpha + QStringList{u"-define"_s, u"bmp:subtype=ARGB1555"_s},
         u"BMP"_s, nullptr, true},
        {"bmp3 32-bit alpha bytes", roseAlpha + bmp3Alpha, u"BMP3"_s, nullptr, true},
        {"bmp v5 alpha mask without bitfields", roseAlpha, u"BMP"_s, bmpWithoutBitfields, false},
        {"bmp3 32-bit zero fourth bytes",
         rose + QStringList{u"-alpha"_s, u"transparent"_s} + bmp3Alpha, u"BMP3"_s, nullptr, false},
        {"bmp3 alpha dropped", roseAlpha, u"BMP3"_s, nullptr, false},
        {"bmp 24-bit", rose, u"BMP"_s, nullptr, false},
        {"bmp os2", rose, u"BMP2"_s, nullptr, false},
        {"tiff alpha lsb", roseAlpha + lsb, u"TIFF"_s, nullptr, true},
        {"tiff alpha msb", roseAlpha + msb, u"TIFF"_s, nullptr, true},
        {"tiff grey+alpha msb", rose + grey + halfAlpha + msb, u"TIFF"_s, nullptr, true},
        {"tiff cmyk+alpha", rose + cmyk + halfAlpha, u"TIFF"_s, nullptr, true},
        {"tiff unspecified extra sample", roseAlpha + lsb, u"TIFF"_s,
         tiffWithUnspecifiedExtraSample, true},
        {"tiff rgb+1 msb without extra samples count", roseAlpha + msb, u"TIFF"_s,
         tiffWithoutExtraSamplesCount, true},
        {"tiff directory after 3 MB of pixels",
         QStringList{u"-size"_s, u"600x600"_s, u"gradient:red-blue"_s} + halfAlpha, u"TIFF"_s,
         nullptr, true},
        {"bigtiff alpha", roseAlpha, u"TIFF64"_s, nullptr, true},
        {"tiff opaque lsb", rose + lsb, u"TIFF"_s, nullptr, false},
        {"tiff opaque msb", rose + msb, u"TIFF"_s, nullptr, false},
        {"tiff cmyk", rose + cmyk, u"TIFF"_s, nullptr, false},
        {"bigtiff opaque", rose, u"TIFF64"_s, nullptr, false},
        {"jpeg", roseAlpha, u"JPEG"_s, nullptr, false},
    };
}

// What the converter itself says about the first image: nothing when it cannot read it.
std::optional<bool> imageMagickVerdict(const QString &path)
{
    QByteArray verdict;
    if (!TestFiles::imageMagick(u"identify-im6.q16"_s, {u"-format"_s, u"%A"_s, path + u"[0]"_s},
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
        const QString original = m_dir.filePath(tag + u".img"_s);
        if (!QFileInfo::exists(original) &&
            !TestFiles::imageMagick(u"convert-im6.q16"_s,
                                    arguments + QStringList{format + u':' + original}))
            return {};
        QByteArray bytes = TestFiles::read(original);
        return patch && !bytes.isEmpty() ? patch(bytes) : bytes;
    }

    // The file as the run sees it: a copy named tmp.dat, so only its bytes tell the format.
    QString write(const QString &tag, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(tag + u"/tmp.dat"_s);
        return TestFiles::write(path, bytes) ? path : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Cases take "cannot read" for an answer, so first make sure the tool runs at all.
        QVERIFY(TestFiles::imageMagick(u"identify-im6.q16"_s, {u"-version"_s}));
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
        QCOMPARE(ImageHeader::hasTransparency(path), transparent);
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
            const QString path = write(tag + u"-cut"_s, bytes.left(length));
            const bool answer = ImageHeader::hasTransparency(path);
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
            const QString path = write(tag + u"-corrupt"_s, corrupted);
            const bool answer = ImageHeader::hasTransparency(path);
            if (const std::optional<bool> verdict = imageMagickVerdict(path))
                QVERIFY2(answer == *verdict, corrupted.toHex().left(300).constData());
        }
    }

    void notAnImage()
    {
        QVERIFY(!ImageHeader::hasTransparency(write(u"empty"_s, QByteArray())));
        QVERIFY(!ImageHeader::hasTransparency(m_dir.filePath(u"missing/tmp.dat"_s)));
        QVERIFY(!ImageHeader::hasTransparency(m_dir.path()));
        QVERIFY(!ImageHeader::hasTransparency(QString()));
        // A pipe nobody writes to would block a reader that opened it.
        const QString pipe = m_dir.filePath(u"pipe"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(!ImageHeader::hasTransparency(pipe));
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
                const QString path = write(u"garbage"_s, bytes);
                QCOMPARE(ImageHeader::hasTransparency(path),
                         imageMagickVerdict(path).value_or(false));
            }
        }
    }

    // The fourth bytes of a plain 32-bit bitmap are looked at only as far as the read limit
    // reaches: here the one non-zero byte is in the last stored row, 8 MB in, so the answer
    // stays "opaque" although the converter, decoding everything, finds it.
    void bitmapScanStopsAtReadLimit()
    {
        const QStringList image{
            u"-size"_s,       u"2000x1000"_s, u"xc:red"_s,           u"-alpha"_s,
            u"transparent"_s, u"-fill"_s,     u"rgba(0,0,255,0.5)"_s};
        const QStringList bmp3{u"-define"_s, u"bmp3:alpha=true"_s};
        // Rows are stored bottom-up: the top row comes last.
        const QByteArray top =
            makeCopy(u"alpha in top row"_s, image + QStringList{u"-draw"_s, u"point 0,0"_s} + bmp3,
                     u"BMP3"_s, nullptr);
        const QByteArray bottom =
            makeCopy(u"alpha in bottom row"_s,
                     image + QStringList{u"-draw"_s, u"point 0,999"_s} + bmp3, u"BMP3"_s, nullptr);
        const QString topPath = write(u"top"_s, top);
        const QString bottomPath = write(u"bottom"_s, bottom);
        QCOMPARE(imageMagickVerdict(topPath), std::optional<bool>(true));
        QCOMPARE(imageMagickVerdict(bottomPath), std::optional<bool>(true));
        QVERIFY(!ImageHeader::hasTransparency(topPath));
        QVERIFY(ImageHeader::hasTransparency(bottomPath));
    }
};

QTEST_GUILESS_MAIN(TestImageHeader)
#include "tst_imageheader.moc"
