// Many small images through the real window, one converter per core, against xargs running the
// same converter commands side by side; and the window's memory with a long queue.
//
//   bench_many WORK_FOLDER [N...]        (N by default 1000 and 20000)
//
// The images (16 x 16 and 64 x 64, PNG and JPEG) are made by the converter itself. Each N is
// queued the way a command line queues it, then compressed; then 100,000 entries (the largest
// N's images over and over) are queued to read the window's peak memory. Last line:
//   many_ratio=<run/xargs at the largest N> growth=<per-entry time, largest N over smallest>
//   max_gap_ms=<n> rss_mb=<peak at the largest N> rss100k_mb=<peak with 100,000 queued>
//   window_cpu_ms_per_entry=<the window process's own processor time per entry, at the largest N>

#include "app/frmPrinting.h"
#include "bench/BenchSupport.h"
#include "engine/CompressionRun.h"
#include "engine/ConverterCommand.h"
#include "platform/Platform.h"
#include "queue/ImageQueue.h"
#include "queue/QueueModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QThread>

#include <algorithm>

#include <time.h>

namespace {

const int jobs = std::max(2, QThread::idealThreadCount());
constexpr qsizetype longQueueEntries = 100000;

// Lets the window serve what is pending for a while, so a gap that ends only when a long call
// returns is seen by the meter.
void serveEventsFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QString converter()
{
    return Platform::converterPath(QStringLiteral(TESSALY_PROGRAM_DIR));
}

QProcessEnvironment converterEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"),
                       Platform::converterPolicyFolder(QStringLiteral(TESSALY_PROGRAM_DIR)));
    // What the run gives its converters when several run at once.
    environment.insert(QStringLiteral("MAGICK_THREAD_LIMIT"), QStringLiteral("1"));
    return environment;
}

bool convert(const QStringList &arguments)
{
    QProcess process;
    process.start(converter(), arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// N opaque images: a few originals of each kind made by the converter, copied round-robin.
QStringList makeImages(const QString &folder, int count)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString originals = folder + QStringLiteral("/.originals");
    QDir().mkpath(originals);
    QStringList sources;
    for (const QString &size : {QStringLiteral("16x16"), QStringLiteral("64x64")}) {
        for (const QString &format : {QStringLiteral("png"), QStringLiteral("jpg")}) {
            for (int seed = 1; seed <= 4; ++seed) {
                const QString made =
                    QStringLiteral("%1/%2-%3.%4").arg(originals, size).arg(seed).arg(format);
                if (!convert({QStringLiteral("-seed"), QString::number(seed),
                              QStringLiteral("-size"), size, QStringLiteral("plasma:"),
                              QStringLiteral("-alpha"), QStringLiteral("off"), made}))
                    return {};
                sources.append(made);
            }
        }
    }
    QStringList images;
    images.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString &source = sources.at(i % sources.size());
        const QString image = QStringLiteral("%1/img%2.%3")
                                  .arg(folder)
                                  .arg(i, 6, 10, QChar(u'0'))
                                  .arg(source.right(3));
        if (!QFile::copy(source, image))
            return {};
        images.append(image);
    }
    return images;
}

// The converter commands of the bare loop (source straight to result, no work copies), run by
// xargs with one converter per core. Every command has the same number of arguments because
// no image has transparency and nothing is resized.
double runXargs(const QStringList &images, const QString &outputFolder)
{
    QDir(outputFolder).removeRecursively();
    QDir().mkpath(outputFolder);
    QByteArray input;
    qsizetype argumentsPerCommand = -1;
    for (const QString &image : images) {
        ConverterCommand command;
        command.programFolder = QStringLiteral(TESSALY_PROGRAM_DIR);
        command.input = image;
        command.output = outputFolder + u'/' + QFileInfo(image).fileName().section(u'.', 0, 0) +
                         QStringLiteral("_已压缩.jpg");
        QStringList arguments = QProcess::splitCommand(command.commandLine());
        arguments.removeFirst();
        if (argumentsPerCommand >= 0 && arguments.size() != argumentsPerCommand)
            qFatal("converter commands differ in length");
        argumentsPerCommand = arguments.size();
        for (const QString &argument : std::as_const(arguments))
            input += argument.toUtf8() + '\0';
    }
    QProcess xargs;
    xargs.setProcessEnvironment(converterEnvironment());
    xargs.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    xargs.start(QStringLiteral("xargs"),
                {QStringLiteral("-0"), QStringLiteral("-P%1").arg(jobs),
                 QStringLiteral("-n%1").arg(argumentsPerCommand), converter()});
    xargs.write(input);
    xargs.closeWriteChannel();
    xargs.waitForFinished(-1);
    return clock.nsecsElapsed() / 1e9;
}

// The process's peak resident memory since the last reset, in MB.
qint64 peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    }
    return -1;
}

void resetPeakRss()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

struct Measure {
    double queueSeconds = 0;
    qint64 queueGapMs = 0;
    double runSeconds = 0;
    double runCpuMillis = 0; // the window process's own, all its threads, converters apart
    qint64 runGapMs = 0;
    qint64 peakMb = 0;
    qsizetype failed = 0;
    double removeHeadMicros = 0;
};

double cpuMillis()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The window's own processor time per head removal, its events served after each one as a
// run serves them: what the queue costs a run per entry, apart from the converters.
double removeHeadMicros(frmPrinting &window, int removals)
{
    const double start = cpuMillis();
    for (int i = 0; i < removals; ++i) {
        window.queue().model()->removeHead();
        QCoreApplication::processEvents();
    }
    return (cpuMillis() - start) * 1000 / removals;
}

void setUpWindow(frmPrinting &window, const QString &outputFolder)
{
    prepareWindowForRun(window, outputFolder, jobs);
    serveEventsFor(50);
}

// Queues the paths as a command line does, timing it and the window's longest silence.
void queueAsCommandLine(frmPrinting &window, const QStringList &paths, Measure &measure)
{
    GapMeter gaps;
    QElapsedTimer clock;
    clock.start();
    window.queuePaths(paths);
    measure.queueSeconds = clock.nsecsElapsed() / 1e9;
    serveEventsFor(50);
    measure.queueGapMs = gaps.longest();
}

Measure runProgram(const QStringList &images, const QString &outputFolder)
{
    QDir(outputFolder).removeRecursively();
    resetPeakRss();
    frmPrinting window({});
    setUpWindow(window, outputFolder);
    Measure measure;
    queueAsCommandLine(window, images, measure);
    if (window.queue().count() != images.size())
        qFatal("queued %d of %lld", window.queue().count(), qlonglong(images.size()));

    CompressionRun &run = window.run();
    QElapsedTimer clock;
    GapMeter gaps;
    const double cpuAtStart = cpuMillis();
    clock.start();
    const RunSummary summary = runToEnd(run, [&] {
        measure.runSeconds = clock.nsecsElapsed() / 1e9;
        measure.runCpuMillis = cpuMillis() - cpuAtStart;
    });
    measure.runGapMs = gaps.longest();
    measure.failed = summary.failures.size();
    measure.peakMb = peakRssMb();
    window.close();
    return measure;
}

Measure queueOnly(const QStringList &paths)
{
    resetPeakRss();
    frmPrinting window({});
    setUpWindow(window, QDir::tempPath());
    Measure measure;
    queueAsCommandLine(window, paths, measure);
    if (window.queue().count() != paths.size())
        qFatal("queued %d of %lld", window.queue().count(), qlonglong(paths.size()));
    measure.peakMb = peakRssMb();
    measure.removeHeadMicros = removeHeadMicros(window, 1000);
    window.close();
    return measure;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);
    QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        out << "usage: bench_many WORK_FOLDER [N...]\n";
        return 2;
    }
    const QString work = QDir(arguments.at(1)).absolutePath();
    QList<int> sizes;
    for (qsizetype i = 2; i < arguments.size(); ++i)
        sizes.append(std::max(1, arguments.at(i).toInt()));
    if (sizes.isEmpty())
        sizes = {1000, 20000};
    if (!QFileInfo(converter()).isExecutable()) {
        out << "no converter in " TESSALY_PROGRAM_DIR "\n";
        return 2;
    }
    qputenv("APPDATA", work.toUtf8());
    qputenv("XDG_CACHE_HOME", (work + QStringLiteral("/cache")).toUtf8());

    struct Row {
        int count;
        double xargsSeconds;
        Measure run;
    };
    QList<Row> rows;
    qint64 maxGap = 0;
    qint64 queueGap = 0;
    QStringList largest;
    for (const int count : std::as_const(sizes)) {
        const QStringList images = makeImages(work + QStringLiteral("/images"), count);
        if (images.isEmpty()) {
            out << "cannot make the images under " << work << "\n";
            return 1;
        }
        const double xargsSeconds = runXargs(images, work + QStringLiteral("/xargs"));
        const Measure run = runProgram(images, work + QStringLiteral("/run"));
        rows.append({count, xargsSeconds, run});
        maxGap = std::max(maxGap, run.runGapMs);
        queueGap = std::max(queueGap, run.queueGapMs);
        out << QStringLiteral("N=%1: xargs %2 s (%3 ms/entry), run %4 s (%5 ms/entry, ratio %6), "
                              "run gap %7 ms, window cpu %12 ms/entry, queued in %8 s (gap %9 ms), "
                              "peak %10 MB, failed %11\n")
                   .arg(count)
                   .arg(xargsSeconds, 0, 'f', 2)
                   .arg(xargsSeconds * 1000 / count, 0, 'f', 3)
                   .arg(run.runSeconds, 0, 'f', 2)
                   .arg(run.runSeconds * 1000 / count, 0, 'f', 3)
                   .arg(run.runSeconds / xargsSeconds, 0, 'f', 3)
                   .arg(run.runGapMs)
                   .arg(run.queueSeconds, 0, 'f', 3)
                   .arg(run.queueGapMs)
                   .arg(run.peakMb)
                   .arg(run.failed)
                   .arg(run.runCpuMillis / count, 0, 'f', 3);
        out.flush();
        largest = images;
    }

    QStringList many;
    many.reserve(longQueueEntries);
    while (many.size() < longQueueEntries)
        many += largest.mid(0, longQueueEntries - many.size());
    const Measure shortQueue = queueOnly(many.mid(0, 2000));
    const Measure longQueue = queueOnly(many);
    queueGap = std::max(queueGap, longQueue.queueGapMs);
    out << QStringLiteral("window time per head removal: %1 us with 2,000 queued, %2 us with %3\n")
               .arg(shortQueue.removeHeadMicros, 0, 'f', 1)
               .arg(longQueue.removeHeadMicros, 0, 'f', 1)
               .arg(many.size());
    out << QStringLiteral("%1 entries queued in %2 s (gap %3 ms), peak %4 MB\n")
               .arg(many.size())
               .arg(longQueue.queueSeconds, 0, 'f', 3)
               .arg(longQueue.queueGapMs)
               .arg(longQueue.peakMb);
    out << QStringLiteral("queue_gap_ms=%1 jobs=%2\n").arg(queueGap).arg(jobs);

    const Row &first = rows.first();
    const Row &last = rows.last();
    const double growth = (last.run.runSeconds / last.count) / (first.run.runSeconds / first.count);
    out << QStringLiteral("many_ratio=%1 growth=%2 max_gap_ms=%3 rss_mb=%4 rss100k_mb=%5 "
                          "window_cpu_ms_per_entry=%6\n")
               .arg(last.run.runSeconds / last.xargsSeconds, 0, 'f', 3)
               .arg(growth, 0, 'f', 3)
               .arg(maxGap)
               .arg(last.run.peakMb)
               .arg(longQueue.peakMb)
               .arg(last.run.runCpuMillis / last.count, 0, 'f', 3);
    return 0;
}
