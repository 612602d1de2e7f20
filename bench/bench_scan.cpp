// The Add Folder command on a large tree: how long until everything is queued, and how long
// the window went without being served meanwhile. Prints, as its last line,
//   scan_s=<seconds> max_gap_ms=<milliseconds> queued=<entries>

#include "queue/FolderScan.h"
#include "queue/ImageQueue.h"
#include "queue/QueueCommands.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int groupFolders = 40;
constexpr int foldersPerGroup = 49; // 40 groups + 40 × 49 = 2,000 folders
constexpr int imagesPerFolder = 10;
constexpr int otherFilesPerFolder = 10;
constexpr int totalFolders = groupFolders * (1 + foldersPerGroup);
constexpr int expectedImages = totalFolders * imagesPerFolder;

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x", 1) == 1;
}

// Each folder gets images under every accepted extension, in assorted case, and as many other
// files; the scan only looks at names, so a byte each is enough.
bool fillFolder(const QString &folder)
{
    static const QStringList imageExtensions{QStringLiteral(".jpg"),  QStringLiteral(".JPG"),
                                             QStringLiteral(".jpeg"), QStringLiteral(".png"),
                                             QStringLiteral(".gif"),  QStringLiteral(".bmp"),
                                             QStringLiteral(".tif"),  QStringLiteral(".TIFF"),
                                             QStringLiteral(".Png"),  QStringLiteral(".jpg")};
    static const QStringList otherExtensions{QStringLiteral(".txt"), QStringLiteral(".jpg.bak"),
                                             QStringLiteral(".webp"), QStringLiteral(".doc"),
                                             QStringLiteral(".jpe")};
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < imagesPerFolder; ++i) {
        if (!touch(folder + QStringLiteral("/photo %1").arg(i) +
                   imageExtensions.at(i % imageExtensions.size())))
            return false;
    }
    for (int i = 0; i < otherFilesPerFolder; ++i) {
        if (!touch(folder + QStringLiteral("/note %1").arg(i) +
                   otherExtensions.at(i % otherExtensions.size())))
            return false;
    }
    return true;
}

bool makeTree(const QString &root)
{
    for (int g = 0; g < groupFolders; ++g) {
        const QString group = root + QStringLiteral("/group %1").arg(g);
        if (!fillFolder(group))
            return false;
        for (int f = 0; f < foldersPerGroup; ++f) {
            if (!fillFolder(group + QStringLiteral("/album %1").arg(f)))
                return false;
        }
    }
    return true;
}

// The longest time between two moments the event loop served the window, found by a timer
// that asks to run every millisecond.
class GapMeter : public QObject
{
public:
    GapMeter()
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        connect(&m_ticker, &QTimer::timeout, this, &GapMeter::tick);
    }

    void start()
    {
        m_clock.start();
        m_last = 0;
        m_maxGap = 0;
        m_ticker.start();
    }

    qint64 stop()
    {
        tick();
        m_ticker.stop();
        return m_maxGap;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.elapsed();
        m_maxGap = std::max(m_maxGap, now - m_last);
        m_last = now;
    }

    QTimer m_ticker;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_maxGap = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir tree;
    if (!tree.isValid() || !makeTree(tree.path())) {
        std::fprintf(stderr, "bench_scan: cannot build the test tree under %s\n",
                     qPrintable(QDir::tempPath()));
        return 1;
    }
    std::printf("tree: %d folders, %d images, %d other files\n", totalFolders, expectedImages,
                totalFolders * otherFilesPerFolder);

    QWidget window;
    window.resize(446, 479);
    auto *queue = new ImageQueue(&window);
    // The scan never asks for a single file.
    QueueCommands commands(
        queue, [](const QString &, const QString &) { return std::optional<QString>(); }, &window);
    commands.folderScan()->folderBrowser().setPicker(
        [&tree](QWidget *, const QString &) { return tree.path(); });
    window.show();
    QCoreApplication::processEvents();

    GapMeter gaps;
    QElapsedTimer clock;
    gaps.start();
    clock.start();
    commands.AddFolder();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const qint64 maxGap = gaps.stop();

    std::printf("scan_s=%.3f max_gap_ms=%lld queued=%d\n", seconds, static_cast<long long>(maxGap),
                queue->count());
    std::fflush(stdout);
    return queue->count() == expectedImages ? 0 : 1;
}
