// One scanner-sized source ahead of ten small photos, through the real window: the window must
// stay served while the large file is copied into the work folder.
//   bench_big
// Last line:
//   max_gap_ms=<longest stretch without served events> big_s=<run time> copy_s=<a plain copy of
//   the large file, what the window would have waited for had it copied it itself>
#include "BenchSupport.h"
#include "queue/ImageQueue.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <filesystem>

namespace {

constexpr qint64 bigBytes = qint64(2) << 30;
constexpr int smallPhotos = 10;

bool makePhoto(const QString &path)
{
    QProcess convert;
    convert.start(
        QStringLiteral(TESSALY_PROGRAM_DIR "/data/convert"),
        {QStringLiteral("rose:"), QStringLiteral("-resize"), QStringLiteral("800x600!"), path});
    return convert.waitForFinished(60000) && convert.exitCode() == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir work;
    qputenv("XDG_CACHE_HOME", work.filePath(QStringLiteral("cache")).toUtf8());

    const QString photos = work.filePath(QStringLiteral("photos"));
    QDir().mkpath(photos);
    const QString big = photos + QStringLiteral("/scan.tif");
    {
        QFile file(big);
        if (!file.open(QIODevice::WriteOnly) || file.write("II*\0", 4) != 4 ||
            !file.resize(bigBytes)) {
            qWarning("cannot make the large file");
            return 1;
        }
    }
    QStringList queue{big};
    for (int i = 0; i < smallPhotos; ++i) {
        const QString photo = photos + QStringLiteral("/photo%1.jpg").arg(i);
        if (!makePhoto(photo)) {
            qWarning("cannot make a photo with the converter");
            return 1;
        }
        queue.append(photo);
    }

    QElapsedTimer copyTime;
    copyTime.start();
    std::filesystem::copy_file(big.toStdString(),
                               work.filePath(QStringLiteral("copy")).toStdString());
    const double copySeconds = copyTime.elapsed() / 1000.0;
    QFile::remove(work.filePath(QStringLiteral("copy")));

    frmPrinting window({});
    prepareWindowForRun(window, work.filePath(QStringLiteral("out")), window.run().jobs());
    window.queue().AddToQueue(queue);
    QElapsedTimer runTime;
    GapMeter gaps;
    runTime.start();
    const RunSummary summary = runToEnd(window.run());
    const double runSeconds = runTime.elapsed() / 1000.0;
    out << QStringLiteral("images=%1 failed=%2 jobs=%3\n")
               .arg(queue.size())
               .arg(summary.failures.size())
               .arg(window.run().jobs());
    out << QStringLiteral("max_gap_ms=%1 big_s=%2 copy_s=%3\n")
               .arg(gaps.longest())
               .arg(runSeconds, 0, 'f', 2)
               .arg(copySeconds, 0, 'f', 2);
    return 0;
}
