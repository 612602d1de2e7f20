#include "app/RenderedArtwork.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

// The artwork of a Windows build, which has no Qt SVG: the build machine's renderer turns every
// drawing into PNGs at the common device pixel ratios, and the window picks the one for its
// screen. Both halves run here; only the Windows window's use of them does not.
class TestArtwork : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_rendered;
    const QDir m_resources{QStringLiteral(TESSALY_SOURCE_DIR "/app/resources")};

    // The drawings of the window and its icon, as the source tree holds them.
    QStringList drawings() const
    {
        QStringList names;
        for (const QString &folder : {QStringLiteral("artwork"), QStringLiteral("icons")}) {
            const QDir drawingFolder(m_resources.filePath(folder));
            for (const QString &file : drawingFolder.entryList({QStringLiteral("*.svg")}))
                names.append(folder + u'/' + file.chopped(4));
        }
        return names;
    }

    // The files the rendered resource file lists.
    QStringList listedPictures() const
    {
        QFile listing(m_rendered.filePath(QStringLiteral("artwork.qrc")));
        if (!listing.open(QIODevice::ReadOnly))
            return {};
        QStringList files;
        QXmlStreamReader reader(&listing);
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement &&
                reader.name() == QLatin1String("file"))
                files.append(reader.readElementText());
        }
        return files;
    }

    // The drawing as the window draws it from its SVG on a screen of the given ratio.
    static QImage drawnFromSvg(QSvgRenderer &renderer, qreal ratio)
    {
        const QSize size = renderer.defaultSize();
        QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        QImage unpremultiplied = image.convertToFormat(QImage::Format_ARGB32);
        unpremultiplied.setDevicePixelRatio(1);
        return unpremultiplied;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QProcess renderer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        renderer.setProcessEnvironment(environment);
        renderer.start(QStringLiteral(TESSALY_ICONRENDER),
                       {QStringLiteral("--artwork"),
                        m_resources.filePath(QStringLiteral("artwork.qrc")), m_rendered.path()});
        QVERIFY(renderer.waitForFinished(-1));
        QCOMPARE(renderer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(renderer.exitCode(), 0);
    }

    void picksTheNearestRatioNotSmaller_data()
    {
        QTest::addColumn<qreal>("screenRatio");
        QTest::addColumn<QString>("picture");
        QTest::newRow("below 1") << 0.75 << QStringLiteral("artwork/thumb@1x.png");
        QTest::newRow("1") << 1.0 << QStringLiteral("artwork/thumb@1x.png");
        QTest::newRow("1.1") << 1.1 << QStringLiteral("artwork/thumb@1.25x.png");
        QTest::newRow("1.25") << 1.25 << QStringLiteral("artwork/thumb@1.25x.png");
        QTest::newRow("1.3") << 1.3 << QStringLiteral("artwork/thumb@1.5x.png");
        QTest::newRow("1.5") << 1.5 << QStringLiteral("artwork/thumb@1.5x.png");
        QTest::newRow("1.75") << 1.75 << QStringLiteral("artwork/thumb@2x.png");
        QTest::newRow("2") << 2.0 << QStringLiteral("artwork/thumb@2x.png");
        QTest::newRow("3") << 3.0 << QStringLiteral("artwork/thumb@2x.png");
    }

    void picksTheNearestRatioNotSmaller()
    {
        QFETCH(qreal, screenRatio);
        QFETCH(QString, picture);
        QCOMPARE(RenderedArtwork::nearestFile(QStringLiteral("artwork/thumb"), screenRatio),
                 picture);
    }

    void listsEveryDrawingAtEveryRatio()
    {
        QStringList expected;
        for (const QString &drawing : drawings()) {
            for (const qreal ratio : RenderedArtwork::ratios)
                expected.append(RenderedArtwork::fileName(drawing, ratio));
        }
        QStringList listed = listedPictures();
        expected.sort();
        listed.sort();
        QCOMPARE(listed, expected);
    }

    void matchesTheSvgAtItsRatio_data()
    {
        QTest::addColumn<QString>("drawing");
        QTest::addColumn<qreal>("ratio");
        for (const QString &drawing : drawings()) {
            for (const qreal ratio : RenderedArtwork::ratios)
                QTest::addRow("%s at %g", qPrintable(drawing), ratio) << drawing << ratio;
        }
    }

    void matchesTheSvgAtItsRatio()
    {
        QFETCH(QString, drawing);
        QFETCH(qreal, ratio);
        QSvgRenderer svg(m_resources.filePath(drawing + QStringLiteral(".svg")));
        QVERIFY(svg.isValid());
        QImage picture(m_rendered.filePath(RenderedArtwork::fileName(drawing, ratio)));
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), svg.defaultSize() * ratio);
        // Compared pixel for pixel: the reader takes an "@2x" in the name for a ratio.
        picture.setDevicePixelRatio(1);
        QCOMPARE(picture.convertToFormat(QImage::Format_ARGB32), drawnFromSvg(svg, ratio));
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
