// The built program under a real X server (a bare Xvfb of 1024 × 768, no window manager): the
// window's size, place and shape, dragging it, closing it, and the one-instance rule with its
// hand-over of paths. Everything is observed from outside, as a user or the X server sees it.

#include "platform/WindowGeometry.h"
#include "tests/support/TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

constexpr int toolTimeoutMs = 10000;
constexpr int startTimeoutMs = 10000;
constexpr int runTimeoutMs = 30000;
constexpr QSize screenSize(1024, 768);
constexpr QSize windowSize = Geometry::window;

constexpr QPoint middleOf(const QRect &place)
{
    return place.topLeft() + QPoint(place.width() / 2, place.height() / 2);
}

// Window-relative points of the design: bare background in the title bar, the close picture,
// the Start button, and a strip of the list's first row.
constexpr QPoint titleBar(150, 20);
constexpr QPoint closeButton = middleOf(Geometry::imgClose);
constexpr QPoint startButton = middleOf(Geometry::imgStart);
constexpr QRect firstListRow(20, 160, 300, 12);
const QString windowName = QStringLiteral("^Tessaly$");

struct Rgb {
    int r = -1;
    int g = -1;
    int b = -1;

    bool isBlack() const { return r >= 0 && r < 16 && g >= 0 && g < 16 && b >= 0 && b < 16; }
    bool isTitleRed() const { return r > 150 && g >= 0 && g < 90 && b >= 0 && b < 90; }
    QByteArray text() const
    {
        return QStringLiteral("rgb(%1, %2, %3)").arg(r).arg(g).arg(b).toUtf8();
    }
};

// Runs a tool to its end and returns its standard output; empty when it does not end in time.
QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(toolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        qWarning() << program << arguments << "did not finish";
        return {};
    }
    return process.readAllStandardOutput();
}

QByteArray xdotool(const QStringList &arguments)
{
    return runTool(QStringLiteral("/usr/bin/xdotool"), arguments);
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs = startTimeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QTest::qWait(50);
    }
    return true;
}

QStringList visibleTessalyWindows()
{
    const QString found =
        QString::fromLatin1(xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), windowName}));
    return found.split(u'\n', Qt::SkipEmptyParts);
}

// The mapped main window of the given process, or an empty text when none maps in time.
QString findWindow(qint64 pid)
{
    const QString found = QString::fromLatin1(
        xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--all"),
                 QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid),
                 QStringLiteral("--name"), windowName}));
    return found.split(u'\n', Qt::SkipEmptyParts).value(0);
}

QRect windowGeometry(const QString &window)
{
    QHash<QString, int> values;
    const QString shell = QString::fromLatin1(
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}));
    for (const QString &line : shell.split(u'\n', Qt::SkipEmptyParts))
        values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
    if (!values.contains(QStringLiteral("X")) || !values.contains(QStringLiteral("WIDTH")))
        return {};
    return {values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
            values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT"))};
}

QByteArray shapeReport(const QString &window)
{
    return runTool(QStringLiteral("/usr/bin/xwininfo"),
                   {QStringLiteral("-shape"), QStringLiteral("-id"), window});
}

bool hasBoundingShape(const QString &window)
{
    const QByteArray report = shapeReport(window);
    return report.contains("Window shape extents:") && !report.contains("No window shape defined");
}

QString cropGeometry(const QRect &area)
{
    return QStringLiteral("%1x%2+%3+%4")
        .arg(area.width())
        .arg(area.height())
        .arg(area.x())
        .arg(area.y());
}

// The colour the screen shows at a point, whatever window draws it.
Rgb screenPixel(const QPoint &point)
{
    const QString text = QString::fromLatin1(
        runTool(QStringLiteral("/usr/bin/import"),
                {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                 cropGeometry(QRect(point, QSize(1, 1))), QStringLiteral("txt:-")}));
    static const QRegularExpression header(QStringLiteral("enumeration: 1,1,(\\d+),"));
    static const QRegularExpression pixel(QStringLiteral("^0,0: \\((\\d+),(\\d+),(\\d+)"),
                                          QRegularExpression::MultilineOption);
    const QRegularExpressionMatch depth = header.match(text);
    const QRegularExpressionMatch value = pixel.match(text);
    const int maximum = depth.captured(1).toInt();
    if (!depth.hasMatch() || !value.hasMatch() || maximum <= 0)
        return {};
    const auto scaled = [&](int index) {
        return value.captured(index).toInt() * 255 / maximum;
    };
    return {scaled(1), scaled(2), scaled(3)};
}

int coloursOnScreen(const QRect &area)
{
    return runTool(QStringLiteral("/usr/bin/import"),
                   {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                    cropGeometry(area), QStringLiteral("-format"), QStringLiteral("%k"),
                    QStringLiteral("info:")})
        .toInt();
}

void click(const QPoint &point)
{
    xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

// Presses `button` at `from`, moves by `distance` in a few steps, and lets go.
void drag(const QPoint &from, const QPoint &distance, int button)
{
    constexpr int steps = 5;
    const QString pressed = QString::number(button);
    xdotool({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
             QStringLiteral("mousedown"), pressed});
    for (int step = 1; step <= steps; ++step) {
        const QPoint at = from + distance * step / steps;
        xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
    }
    xdotool({QStringLiteral("mouseup"), pressed});
}

bool near(const QPoint &actual, const QPoint &expected, int tolerance)
{
    return qAbs(actual.x() - expected.x()) <= tolerance &&
           qAbs(actual.y() - expected.y()) <= tolerance;
}

QByteArray describe(const QRect &geometry)
{
    return QStringLiteral("%1x%2+%3+%4")
        .arg(geometry.width())
        .arg(geometry.height())
        .arg(geometry.x())
        .arg(geometry.y())
        .toUtf8();
}

// A private home for one test: settings, scratch root and home folder of the program.
class Sandbox
{
public:
    Sandbox()
    {
        for (const char *folder : {"appdata", "cache", "home", "images"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(folder));
    }

    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QString settingsFile() const { return path(QStringLiteral("appdata/tessaly.ini")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("APPDATA"), path(QStringLiteral("appdata")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
        // A run creates the default output folder in the home folder; keep it out of the real one.
        environment.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // The exit code is what is tested here; leaks inside system libraries (D-Bus) must not
        // turn a clean exit into a failing one. An explicit choice of the caller is kept.
        const QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
        if (!sanitizer.contains(QStringLiteral("detect_leaks")))
            environment.insert(QStringLiteral("ASAN_OPTIONS"),
                               sanitizer.isEmpty() ? QStringLiteral("detect_leaks=0")
                                                   : sanitizer + QStringLiteral(":detect_leaks=0"));
        return environment;
    }

private:
    QTemporaryDir m_dir;
};

// One started Tessaly, killed when the test ends, whether it passed or not.
class Tessaly
{
public:
    Tessaly(const Sandbox &sandbox, const QStringList &arguments = {},
            const QString &workingDirectory = {})
    {
        m_process.setProcessEnvironment(sandbox.environment());
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.setWorkingDirectory(
            workingDirectory.isEmpty() ? sandbox.path(QStringLiteral("home")) : workingDirectory);
        m_process.start(QStringLiteral(TESSALY_EXECUTABLE), arguments);
        m_process.waitForStarted();
    }

    ~Tessaly()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }

    Tessaly(const Tessaly &) = delete;
    Tessaly &operator=(const Tessaly &) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    bool waitForExit(int timeoutMs = startTimeoutMs)
    {
        // An event loop run by the test (QTRY_*) may already have seen the end.
        return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    }
    bool exitedCleanly() const
    {
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    QByteArray exitText() const
    {
        return QStringLiteral("exit status %1, code %2")
            .arg(m_process.exitStatus())
            .arg(m_process.exitCode())
            .toUtf8();
    }

private:
    QProcess m_process;
};

// The window of a started Tessaly once the program has shaped it; empty when it never maps or is
// never shaped.
QString shapedWindow(const Tessaly &tessaly)
{
    const QString window = findWindow(tessaly.pid());
    if (window.isEmpty() || !waitFor([&] { return hasBoundingShape(window); }))
        return {};
    return window;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void windowMapsCentredAtDesignSize();
    void shapeLeavesCornersOut();
    void dragOnBackground_data();
    void dragOnBackground();
    void closePictureWritesSettingsAndEnds();
    void secondStartEndsAtOnce();
    void queuedImageIsCompressed_data();
    void queuedImageIsCompressed();

private:
    // Waits until the list's first row shows an entry, clicks Start and waits for `result`.
    void compressQueued(const QString &window, const QString &result);
};

void TestEndToEnd::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
             "needs an X server: run it through the tst_e2e_xvfb test (xvfb-run)");
    QVERIFY2(QFileInfo(QStringLiteral(TESSALY_EXECUTABLE)).isExecutable(), TESSALY_EXECUTABLE);
    const QByteArray display = xdotool({QStringLiteral("getdisplaygeometry")}).trimmed();
    QVERIFY2(display == QByteArray::number(screenSize.width()) + ' ' +
                            QByteArray::number(screenSize.height()),
             "the tests need a bare 1024x768 screen, got: " + display);
    QVERIFY2(visibleTessalyWindows().isEmpty(), "a Tessaly window is already on this display");
    const Rgb root = screenPixel(QPoint(0, 0));
    QVERIFY2(root.isBlack(), "the bare root window should be black, got " + root.text());
}

void TestEndToEnd::windowMapsCentredAtDesignSize()
{
    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    Tessaly tessaly(sandbox);
    const QString window = findWindow(tessaly.pid());
    QVERIFY2(!window.isEmpty(), "no window named Tessaly mapped");

    const QPoint centred((screenSize.width() - windowSize.width()) / 2,
                         (screenSize.height() - windowSize.height()) / 2);
    QRect geometry;
    waitFor([&] {
        geometry = windowGeometry(window);
        return geometry.size() == windowSize && near(geometry.topLeft(), centred, 1);
    });
    QCOMPARE(geometry.size(), windowSize);
    QVERIFY2(near(geometry.topLeft(), centred, 1), "not centred: " + describe(geometry));
}

void TestEndToEnd::shapeLeavesCornersOut()
{
    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    Tessaly tessaly(sandbox);
    const QString window = findWindow(tessaly.pid());
    QVERIFY2(!window.isEmpty(), "no window named Tessaly mapped");
    QVERIFY2(waitFor([&] { return hasBoundingShape(window); }),
             "the window never got a bounding shape: " + shapeReport(window));
    QVERIFY2(shapeReport(window).contains(QStringLiteral("Window shape extents:  %1x%2+0+0")
                                              .arg(windowSize.width())
                                              .arg(windowSize.height())
                                              .toLatin1()),
             "the shape does not span the window: " + shapeReport(window));

    const QPoint origin = windowGeometry(window).topLeft();
    Rgb title;
    // Painting runs after mapping; a corner only proves something once the window is drawn.
    QVERIFY2(waitFor([&] { return (title = screenPixel(origin + titleBar)).isTitleRed(); }),
             "the title bar is not red: " + title.text());
    const QPoint corners[] = {{0, 0},
                              {windowSize.width() - 1, 0},
                              {0, windowSize.height() - 1},
                              {windowSize.width() - 1, windowSize.height() - 1}};
    for (const QPoint &corner : corners) {
        const Rgb pixel = screenPixel(origin + corner);
        QVERIFY2(pixel.isBlack(), QStringLiteral("corner (%1, %2) shows %3, not the root's black")
                                      .arg(corner.x())
                                      .arg(corner.y())
                                      .arg(QString::fromUtf8(pixel.text()))
                                      .toUtf8());
    }
}

void TestEndToEnd::dragOnBackground_data()
{
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<QList<QPoint>>("distances");
    QTest::addColumn<QPoint>("moved");

    QTest::newRow("left button, down and right")
        << QList<int>{1} << QList<QPoint>{{100, 50}} << QPoint(100, 50);
    QTest::newRow("left button, up and left")
        << QList<int>{1} << QList<QPoint>{{-120, -80}} << QPoint(-120, -80);
    // A later left drag that starts where the window should still stand shows, without waiting,
    // that the right-button drag left the window where it was.
    QTest::newRow("right button, then left")
        << QList<int>{3, 1} << QList<QPoint>{{-100, 60}, {60, 40}} << QPoint(60, 40);
}

void TestEndToEnd::dragOnBackground()
{
    QFETCH(QList<int>, buttons);
    QFETCH(QList<QPoint>, distances);
    QFETCH(QPoint, moved);

    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    Tessaly tessaly(sandbox);
    // Shaped means the start-up centring is done and will not move the window again.
    const QString window = shapedWindow(tessaly);
    QVERIFY2(!window.isEmpty(), "no shaped window named Tessaly");
    const QPoint start = windowGeometry(window).topLeft();

    QPoint expected = start;
    for (qsizetype index = 0; index < buttons.size(); ++index) {
        drag(expected + titleBar, distances.at(index), buttons.at(index));
        if (buttons.at(index) == 1)
            expected += distances.at(index);
    }
    QCOMPARE(expected, start + moved);
    QRect geometry;
    waitFor([&] { return near((geometry = windowGeometry(window)).topLeft(), expected, 3); });
    QVERIFY2(near(geometry.topLeft(), expected, 3),
             QStringLiteral("the window stands at (%1, %2), expected (%3, %4) after starting at "
                            "(%5, %6)")
                 .arg(geometry.x())
                 .arg(geometry.y())
                 .arg(expected.x())
                 .arg(expected.y())
                 .arg(start.x())
                 .arg(start.y())
                 .toUtf8());
    QCOMPARE(geometry.size(), windowSize);
}

void TestEndToEnd::closePictureWritesSettingsAndEnds()
{
    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    Tessaly tessaly(sandbox);
    const QString window = shapedWindow(tessaly);
    QVERIFY2(!window.isEmpty(), "no shaped window named Tessaly");
    QVERIFY(!QFile::exists(sandbox.settingsFile()));

    click(windowGeometry(window).topLeft() + closeButton);
    QVERIFY2(tessaly.waitForExit(), "still running after a click on the close picture");
    QVERIFY2(tessaly.exitedCleanly(), tessaly.exitText());

    const QByteArray settings = TestFiles::read(sandbox.settingsFile());
    QVERIFY2(!settings.isEmpty(), "no settings file written");
    QList<QByteArray> lines = settings.split('\n');
    QVERIFY2(lines.takeLast().isEmpty(), "the last line has no line break: " + settings);
    QCOMPARE(lines.size(), 6);
    for (const QByteArray &line : lines)
        QVERIFY2(line.endsWith('\r') && line.count('\r') == 1, settings);
}

void TestEndToEnd::secondStartEndsAtOnce()
{
    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    Tessaly first(sandbox);
    QVERIFY2(!shapedWindow(first).isEmpty(), "no shaped window named Tessaly");
    QVERIFY(!QFile::exists(sandbox.settingsFile()));

    Tessaly second(sandbox);
    QVERIFY2(second.waitForExit(), "the second start kept running");
    QVERIFY2(second.exitedCleanly(), second.exitText());
    QCOMPARE(visibleTessalyWindows().size(), 1);
    QVERIFY(first.isRunning());
    QVERIFY2(!QFile::exists(sandbox.settingsFile()), "the second start wrote the settings file");
}

void TestEndToEnd::queuedImageIsCompressed_data()
{
    QTest::addColumn<bool>("handedOver");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("named");
    QTest::addColumn<bool>("relative");

    // `image` and `named` are inside the sandbox. A relative name is given from its own folder,
    // while the first instance always runs in the home folder.
    QTest::newRow("first start, absolute file")
        << false << QStringLiteral("images/b.png") << QStringLiteral("images/b.png") << false;
    QTest::newRow("first start, relative file")
        << false << QStringLiteral("images/b.png") << QStringLiteral("images/b.png") << true;
    QTest::newRow("second start, absolute file")
        << true << QStringLiteral("images/a.png") << QStringLiteral("images/a.png") << false;
    QTest::newRow("second start, relative file from another folder")
        << true << QStringLiteral("images/a.png") << QStringLiteral("images/a.png") << true;
    QTest::newRow("second start, folder")
        << true << QStringLiteral("images/sub/c.png") << QStringLiteral("images/sub") << false;
}

void TestEndToEnd::queuedImageIsCompressed()
{
    QFETCH(bool, handedOver);
    QFETCH(QString, image);
    QFETCH(QString, named);
    QFETCH(bool, relative);

    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    const QFileInfo source(sandbox.path(image));
    QVERIFY(TestFiles::makeImage(source.filePath()));
    const QString result =
        source.path() + u'/' + source.completeBaseName() + QStringLiteral("_已压缩.jpg");
    const QFileInfo target(sandbox.path(named));
    const QString argument = relative ? target.fileName() : target.filePath();
    const QString workingDirectory = relative ? target.path() : QString();

    Tessaly first(sandbox, handedOver ? QStringList() : QStringList{argument},
                  handedOver ? QString() : workingDirectory);
    const QString window = shapedWindow(first);
    QVERIFY2(!window.isEmpty(), "no shaped window named Tessaly");
    if (handedOver) {
        Tessaly second(sandbox, {argument}, workingDirectory);
        QVERIFY2(second.waitForExit(), "the second start kept running");
        QVERIFY2(second.exitedCleanly(), second.exitText());
        QCOMPARE(visibleTessalyWindows().size(), 1);
    }
    compressQueued(window, result);
    QByteArray format;
    QVERIFY(TestFiles::imageMagick(QStringLiteral("identify"),
                                   {QStringLiteral("-format"), QStringLiteral("%m"), result},
                                   &format));
    QCOMPARE(format, QByteArray("JPEG"));
    QVERIFY(first.isRunning());
}

void TestEndToEnd::compressQueued(const QString &window, const QString &result)
{
    const QPoint origin = windowGeometry(window).topLeft();
    // Start on an empty queue only asks for a file, so wait until the entry is on the screen.
    const QRect row = firstListRow.translated(origin);
    QVERIFY2(waitFor([&] { return coloursOnScreen(row) > 4; }),
             "the list's first row stays blank: nothing was queued");
    QVERIFY(!QFile::exists(result));
    click(origin + startButton);
    QVERIFY2(waitFor([&] { return QFileInfo(result).size() > 0; }, runTimeoutMs),
             qPrintable(result + QStringLiteral(" never appeared")));
}

QTEST_GUILESS_MAIN(TestEndToEnd)

#include "tst_e2e.moc"
