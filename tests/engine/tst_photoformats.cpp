#include "platform/Platform.h"
#include "tests/engine/RunFixture.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

// What a phone, a camera app and the web save today, HEIC, AVIF and WebP, through the real
// converter and libheif's decoder, from files made here by ImageMagick, libheif's encoder and
// exiftool.
class TestPhotoFormats : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_realProgram = QStringLiteral(TESSALY_PROGRAM_DIR);

    QString photos(const QString &name = QString()) const
    {
        return m_home.filePath(QStringLiteral("photos/") + name);
    }

    // 300 x 200, white, a red block at the top left and a blue one at the bottom right, so
    // that which way up it came out can be read from two corners.
    QString markedPicture() const
    {
        const QString picture = m_home.filePath(QStringLiteral("marked.png"));
        if (!QFileInfo::exists(picture) &&
            !TestFiles::imageMagick(
                QStringLiteral("convert"),
                {QStringLiteral("-size"), QStringLiteral("300x200"), QStringLiteral("xc:white"),
                 QStringLiteral("-fill"), QStringLiteral("red"), QStringLiteral("-draw"),
                 QStringLiteral("rectangle 0,0 99,49"), QStringLiteral("-fill"),
                 QStringLiteral("blue"), QStringLiteral("-draw"),
                 QStringLiteral("rectangle 200,150 299,199"), QStringLiteral("PNG24:") + picture}))
            return QString();
        return picture;
    }

    // Transparent on its left half, opaque blue on its right.
    QString halfTransparentPicture() const
    {
        const QString picture = m_home.filePath(QStringLiteral("half.png"));
        if (!QFileInfo::exists(picture) &&
            !TestFiles::imageMagick(
                QStringLiteral("convert"),
                {QStringLiteral("-size"), QStringLiteral("120x80"), QStringLiteral("xc:none"),
                 QStringLiteral("-fill"), QStringLiteral("blue"), QStringLiteral("-draw"),
                 QStringLiteral("rectangle 60,0 119,79"), QStringLiteral("PNG32:") + picture}))
            return QString();
        return picture;
    }

    // ImageMagick writes HEIC and AVIF without an alpha plane; libheif's encoder keeps one.
    static bool encode(const QString &from, const QString &to)
    {
        if (QFileInfo(to).suffix() == QStringLiteral("webp"))
            return TestFiles::imageMagick(QStringLiteral("convert"), {from, to});
        QStringList arguments = {QStringLiteral("-q"), QStringLiteral("90"), from,
                                 QStringLiteral("-o"), to};
        if (QFileInfo(to).suffix() == QStringLiteral("avif"))
            arguments.prepend(QStringLiteral("-A"));
        return TestFiles::runTool(QStringLiteral("heif-enc"), arguments);
    }

    static QByteArray property(const char *type, quint8 value)
    {
        QByteArray box(4, '\0');
        qToBigEndian<quint32>(9, box.data());
        return box + type + char(value);
    }

    static QString exifOrientation(const QString &file)
    {
        QProcess exiftool;
        exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-n"),
                                                    QStringLiteral("-Orientation"), file});
        exiftool.waitForFinished();
        return QString::fromUtf8(exiftool.readAllStandardOutput()).trimmed();
    }

    // Which corner of a result a colour is in: "tl", "tr", "bl" or "br", as the reader of the
    // JPEG sees it.
    static QString cornerOf(const QString &file, const QString &colour)
    {
        const QString size = identify(QStringLiteral("%w %h"), file);
        const int width = size.section(u' ', 0, 0).toInt();
        const int height = size.section(u' ', 1, 1).toInt();
        const QString red = QStringLiteral("(p{%1,%2}.r>0.7&&p{%1,%2}.g<0.3&&p{%1,%2}.b<0.3)");
        const QString blue = QStringLiteral("(p{%1,%2}.b>0.7&&p{%1,%2}.r<0.3&&p{%1,%2}.g<0.3)");
        const QString test = colour == QStringLiteral("red") ? red : blue;
        const QList<QPair<QString, QPoint>> corners = {
            {QStringLiteral("tl"), {15, 15}},
            {QStringLiteral("tr"), {width - 16, 15}},
            {QStringLiteral("bl"), {15, height - 16}},
            {QStringLiteral("br"), {width - 16, height - 16}}};
        for (const auto &[name, at] : corners) {
            if (identify(QStringLiteral("%[fx:") + test.arg(at.x()).arg(at.y()) + u']', file) ==
                QStringLiteral("1"))
                return name;
        }
        return QStringLiteral("none");
    }

    RunFixture &runOne(RunFixture &fixture, const QString &source)
    {
        fixture.add({source});
        if (!fixture.runToEnd())
            qWarning("the run did not end");
        return fixture;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
        if (Platform::converterFormats() !=
            QStringList{QStringLiteral("HEIC"), QStringLiteral("AVIF"), QStringLiteral("WEBP")})
            QSKIP("this build's converter does not read every newer format");
        QVERIFY(!markedPicture().isEmpty());
        QVERIFY(!halfTransparentPicture().isEmpty());
    }

    void init()
    {
        QDir(photos()).removeRecursively();
        QVERIFY(QDir().mkpath(photos()));
    }

    void eachFormatBecomesAJpegOfTheSamePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("HEIC") << QStringLiteral("IMG_0001.HEIC");
        QTest::newRow("HEIF") << QStringLiteral("photo.heif");
        QTest::newRow("AVIF") << QStringLiteral("camera.avif");
        QTest::newRow("WebP") << QStringLiteral("saved.webp");
    }

    void eachFormatBecomesAJpegOfTheSamePicture()
    {
        QFETCH(QString, name);
        const QString source = photos(name);
        QVERIFY(encode(markedPicture(), source));
        RunFixture fixture(m_realProgram);
        fixture.options.quality = 60;
        runOne(fixture, source);
        QVERIFY2(fixture.failed().isEmpty(), qPrintable(name));
        const QString result = resultOf(source);
        QCOMPARE(QFileInfo(result).fileName(),
                 name.section(u'.', 0, 0) + QStringLiteral("_已压缩.jpg"));
        QCOMPARE(identify(QStringLiteral("%m %wx%h %Q"), result),
                 QStringLiteral("JPEG 300x200 60"));
        QCOMPARE(cornerOf(result, QStringLiteral("red")), QStringLiteral("tl"));
        QCOMPARE(cornerOf(result, QStringLiteral("blue")), QStringLiteral("br"));
    }

    void aSizeReachesTheConverterForTheNewerFormatsToo()
    {
        const QString source = photos(QStringLiteral("phone.heic"));
        QVERIFY(encode(markedPicture(), source));
        RunFixture fixture(m_realProgram);
        fixture.setResizeText(QStringLiteral("150x150"));
        runOne(fixture, source);
        QCOMPARE(identify(QStringLiteral("%wx%h"), resultOf(source)), QStringLiteral("150x100"));
    }

    void transparentAreasComeOutWhite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("HEIC") << QStringLiteral("sticker.heic");
        QTest::newRow("AVIF") << QStringLiteral("sticker.avif");
        QTest::newRow("WebP") << QStringLiteral("sticker.webp");
    }

    void transparentAreasComeOutWhite()
    {
        QFETCH(QString, name);
        const QString source = photos(name);
        QVERIFY(encode(halfTransparentPicture(), source));
        RunFixture fixture(m_realProgram);
        runOne(fixture, source);
        QVERIFY(fixture.failed().isEmpty());
        const QString result = resultOf(source);
        QCOMPARE(identify(QStringLiteral("%wx%h"), result), QStringLiteral("120x80"));
        QCOMPARE(identify(QStringLiteral("%[fx:p{10,40}.r>0.9&&p{10,40}.g>0.9&&p{10,40}.b>0.9]"),
                          result),
                 QStringLiteral("1"));
        QCOMPARE(identify(QStringLiteral("%[fx:p{100,40}.b>0.8&&p{100,40}.r<0.2]"), result),
                 QStringLiteral("1"));
        // The decoder's copy goes with the run's scratch folders.
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
    }

    // A HEIF is shown turned by its transforms; its EXIF orientation says the same and must
    // not turn it a second time in a viewer.
    void photosComeOutRightWayUpExactlyOnce_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("source");  // "marked" or "transparent"
        QTest::addColumn<QByteArray>("turn"); // a property to add, or nothing
        QTest::addColumn<int>("exif");        // an EXIF orientation to write, or 0
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("red");                 // the red block's corner in the result
        const QByteArray clockwise = property("irot", 3); // three quarter turns anticlockwise
        QTest::newRow("a phone's portrait photo: turned, and the EXIF saying so")
            << QStringLiteral("IMG_0002.HEIC") << QStringLiteral("marked") << clockwise << 6
            << QStringLiteral("200x300") << QStringLiteral("tr");
        QTest::newRow("AVIF turned")
            << QStringLiteral("turned.avif") << QStringLiteral("marked") << clockwise << 0
            << QStringLiteral("200x300") << QStringLiteral("tr");
        QTest::newRow("mirrored left to right")
            << QStringLiteral("mirrored.heic") << QStringLiteral("marked") << property("imir", 1)
            << 0 << QStringLiteral("300x200") << QStringLiteral("tr");
        QTest::newRow("an EXIF orientation without a transform: not turned")
            << QStringLiteral("exif only.heic") << QStringLiteral("marked") << QByteArray() << 6
            << QStringLiteral("300x200") << QStringLiteral("tl");
        QTest::newRow("transparent and turned, through the decoder")
            << QStringLiteral("turned sticker.heic") << QStringLiteral("transparent") << clockwise
            << 6 << QStringLiteral("80x120") << QString();
    }

    void photosComeOutRightWayUpExactlyOnce()
    {
        QFETCH(QString, name);
        QFETCH(QString, source);
        QFETCH(QByteArray, turn);
        QFETCH(int, exif);
        QFETCH(QString, size);
        QFETCH(QString, red);
        const QString photo = photos(name);
        QVERIFY(
            encode(source == QStringLiteral("marked") ? markedPicture() : halfTransparentPicture(),
                   photo));
        if (exif != 0)
            QVERIFY(TestFiles::runTool(QStringLiteral("exiftool"),
                                       {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                        QStringLiteral("-n"),
                                        QStringLiteral("-Orientation=%1").arg(exif), photo}));
        if (!turn.isEmpty())
            QVERIFY(TestFiles::addHeifProperty(photo, turn));
        RunFixture fixture(m_realProgram);
        runOne(fixture, photo);
        QVERIFY2(fixture.failed().isEmpty(),
                 qPrintable(fixture.summary().failures.value(0).converterMessage));
        const QString result = resultOf(photo);
        QCOMPARE(identify(QStringLiteral("%wx%h"), result), size);
        if (!red.isEmpty())
            QCOMPARE(cornerOf(result, QStringLiteral("red")), red);
        const QString orientation = exifOrientation(result);
        QVERIFY2(orientation.isEmpty() || orientation == QStringLiteral("1"),
                 qPrintable(orientation));
    }

    // Collections, bursts and animations give one result, of the image shown first.
    void anImageOfSeveralGivesOneResult_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("a HEIF collection") << QStringLiteral("burst.heic");
        QTest::newRow("an animated WebP") << QStringLiteral("animation.webp");
    }

    void anImageOfSeveralGivesOneResult()
    {
        QFETCH(QString, name);
        const QString red = m_home.filePath(QStringLiteral("red.png"));
        const QString blue = m_home.filePath(QStringLiteral("blue.png"));
        QVERIFY(TestFiles::makeImage(red, QStringLiteral("xc:red"), QStringLiteral("64x48")));
        QVERIFY(TestFiles::makeImage(blue, QStringLiteral("xc:blue"), QStringLiteral("64x48")));
        const QString source = photos(name);
        if (name.endsWith(QStringLiteral(".webp")))
            QVERIFY(TestFiles::imageMagick(
                QStringLiteral("convert"),
                {QStringLiteral("-delay"), QStringLiteral("10"), red, blue, source}));
        else
            QVERIFY(TestFiles::runTool(QStringLiteral("heif-enc"),
                                       {red, blue, QStringLiteral("-o"), source}));
        RunFixture fixture(m_realProgram);
        runOne(fixture, source);
        QVERIFY(fixture.failed().isEmpty());
        QCOMPARE(identify(QStringLiteral("%[fx:p{5,5}.r>0.9&&p{5,5}.b<0.1]"), resultOf(source)),
                 QStringLiteral("1"));
        QCOMPARE(QDir(photos()).entryList(QDir::Files),
                 QStringList({name, name.section(u'.', 0, 0) + QStringLiteral("_已压缩.jpg")}));
    }

    void damagedOnesFailAloneWithTheirReason()
    {
        QStringList queue;
        QHash<QString, FailureKind> reasons;
        for (const QString &format :
             {QStringLiteral("heic"), QStringLiteral("avif"), QStringLiteral("webp")}) {
            const QString whole = m_home.filePath(QStringLiteral("whole.") + format);
            QVERIFY(TestFiles::imageMagick(QStringLiteral("convert"),
                                           {QStringLiteral("-size"), QStringLiteral("400x300"),
                                            QStringLiteral("plasma:"), whole}));
            const QByteArray bytes = TestFiles::read(whole);
            const QString cut = photos(QStringLiteral("cut.") + format);
            QVERIFY(TestFiles::write(cut, bytes.left(bytes.size() / 2)));
            reasons.insert(cut, FailureKind::Damaged);
            queue += {cut, whole};
            if (format == QStringLiteral("webp"))
                continue;
            // A header that claims 50,000 x 50,000 pixels: turned away before it is decoded.
            QByteArray bomb = bytes;
            const qsizetype extent = bomb.indexOf("ispe");
            QVERIFY(extent > 0);
            qToBigEndian<quint32>(50000, bomb.data() + extent + 8);
            qToBigEndian<quint32>(50000, bomb.data() + extent + 12);
            const QString huge = photos(QStringLiteral("huge.") + format);
            QVERIFY(TestFiles::write(huge, bomb));
            reasons.insert(huge, FailureKind::TooLarge);
            queue.append(huge);
        }
        // A transparent one that claims as much does not reach the decoder either.
        const QString sticker = m_home.filePath(QStringLiteral("sticker.heic"));
        QVERIFY(encode(halfTransparentPicture(), sticker));
        QByteArray bomb = TestFiles::read(sticker);
        for (qsizetype extent = bomb.indexOf("ispe"); extent > 0;
             extent = bomb.indexOf("ispe", extent + 4)) {
            qToBigEndian<quint32>(50000, bomb.data() + extent + 8);
            qToBigEndian<quint32>(50000, bomb.data() + extent + 12);
        }
        const QString hugeSticker = photos(QStringLiteral("huge sticker.heic"));
        QVERIFY(TestFiles::write(hugeSticker, bomb));
        reasons.insert(hugeSticker, FailureKind::TooLarge);
        const QString words = photos(QStringLiteral("words.heic"));
        QVERIFY(TestFiles::write(words, "just some words\n"));
        reasons.insert(words, FailureKind::NotAnImage);
        queue += {hugeSticker, words};

        RunFixture fixture(m_realProgram, 2);
        fixture.add(queue);
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fixture.failed().size(), reasons.size());
        for (const EntryOutcome &failure : fixture.summary().failures)
            QCOMPARE(failure.failure, reasons.value(failure.source));
        for (const QString &source : std::as_const(queue))
            QCOMPARE(QFileInfo::exists(resultOf(source)), !reasons.contains(source));
    }
};

QTEST_GUILESS_MAIN(TestPhotoFormats)
#include "tst_photoformats.moc"
