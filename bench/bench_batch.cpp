// Times a batch through the real window against a bare loop of the same converter commands.
//
//   bench_batch PHOTO_FOLDER [REPEATS]
//
// Each repeat runs the bare loop, the program with one converter and the program with one
// converter per core; the last line reports medians:
//   ratio=<run/bare> max_gap_ms=<n> images=<n> parallel_ratio=<parallel run/bare> jobs=<P>

#include "app/frmPrinting.h"
#include "bench/BenchSupport.h"
#include "engine/CompressionRun.h"
#include "engine/ConverterCommand.h"
#include "engine/ImageHeader.h"
#include "platform/Platform.h"
#include "queue/ImageQueue.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>

#include <sys/resource.h>

namespace {

struct Measure {
    double seconds = 0;
    qint64 maxGapMs = 0;
};

QStringList imagesIn(const QString &folder)
{
    QStringList images;
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    for (const QString &name : names)
        images.append(QDir(folder).filePath(name));
    return images;
}

QHash<QString, QByteArray> digests(const QString &folder)
{
    QHash<QString, QByteArray> result;
    for (const QString &file : imagesIn(folder)) {
        QFile in(file);
        if (in.open(QIODevice::ReadOnly))
            result.insert(QFileInfo(file).fileName(),
                          QCryptographicHash::hash(in.readAll(), QCryptographicHash::Sha256));
    }
    return result;
}

Measure runProgram(const QStringList &images, const QString &outputFolder, int jobs)
{
    QDir(outputFolder).removeRecursively();
    frmPrinting window({});
    prepareWindowForRun(window, outputFolder, jobs);
    CompressionRun &run = window.run();
    window.queue().AddToQueue(images);

    Measure measure;
    QElapsedTimer clock;
    GapMeter gaps;
    clock.start();
    const RunSummary summary = runToEnd(run, [&] { measure.seconds = clock.nsecsElapsed() / 1e9; });
    measure.maxGapMs = gaps.longest();
    if (!summary.failures.isEmpty())
        qWarning("%lld entries failed", qlonglong(summary.failures.size()));
    window.close();
    return measure;
}

// The converter commands the run gives, with the same flattening of transparent images, but
// straight from each source to its result: no work copies, no window, no waiting in turn.
double runBareLoop(const QStringList &images, const QString &outputFolder)
{
    QDir(outputFolder).removeRecursively();
    QDir().mkpath(outputFolder);
    const QString programFolder = QStringLiteral(TESSALY_PROGRAM_DIR);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"),
                       Platform::converterPolicyFolder(programFolder));
    QElapsedTimer clock;
    clock.start();
    for (const QString &image : images) {
        ConverterCommand command;
        command.programFolder = programFolder;
        command.input = image;
        command.output = outputFolder + u'/' + QFileInfo(image).fileName().section(u'.', 0, 0) +
                         QStringLiteral("_已压缩.jpg");
        command.flattenOntoWhite = ImageHeader::read(image).transparent;
        QStringList arguments = QProcess::splitCommand(command.commandLine());
        const QString program = arguments.takeFirst();
        QProcess converter;
        converter.setProcessEnvironment(environment);
        converter.start(program, arguments);
        converter.waitForFinished(-1);
    }
    return clock.nsecsElapsed() / 1e9;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTextStream out(stdout);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        out << "usage: bench_batch PHOTO_FOLDER [REPEATS]\n";
        return 2;
    }
    const QStringList images = imagesIn(arguments.at(1));
    if (!QFileInfo(Platform::converterPath(QStringLiteral(TESSALY_PROGRAM_DIR))).isExecutable()) {
        out << "no converter in " TESSALY_PROGRAM_DIR "\n";
        return 2;
    }
    const int repeats = arguments.size() > 2 ? std::max(1, arguments.at(2).toInt()) : 3;
    const int jobs = std::max(2, QThread::idealThreadCount());

    QTemporaryDir home;
    qputenv("APPDATA", home.path().toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    const QString bareOut = home.filePath(QStringLiteral("bare"));
    const QString runOut = home.filePath(QStringLiteral("run"));
    const QString parallelOut = home.filePath(QStringLiteral("parallel"));

    QList<double> bare, sequential, parallel;
    qint64 maxGap = 0;
    bool identical = true;
    for (int repeat = 0; repeat < repeats; ++repeat) {
        // Alternating the order keeps a warmer cache or a busier disk from favouring one side.
        Measure one, many;
        if (repeat % 2 == 0) {
            bare.append(runBareLoop(images, bareOut));
            one = runProgram(images, runOut, 1);
            many = runProgram(images, parallelOut, jobs);
        } else {
            many = runProgram(images, parallelOut, jobs);
            one = runProgram(images, runOut, 1);
            bare.append(runBareLoop(images, bareOut));
        }
        sequential.append(one.seconds);
        parallel.append(many.seconds);
        maxGap = std::max({maxGap, one.maxGapMs, many.maxGapMs});
        identical = identical && digests(runOut) == digests(parallelOut) &&
                    digests(runOut).size() == images.size();
        out << QStringLiteral(
                   "repeat %1: bare %2 s, run %3 s (gap %4 ms), parallel %5 s (gap %6 ms)\n")
                   .arg(repeat + 1)
                   .arg(bare.last(), 0, 'f', 2)
                   .arg(one.seconds, 0, 'f', 2)
                   .arg(one.maxGapMs)
                   .arg(many.seconds, 0, 'f', 2)
                   .arg(many.maxGapMs);
        out.flush();
    }
    const double bareMedian = median(bare);
    out << QStringLiteral("images per second: bare %1, run %2, parallel %3\n")
               .arg(images.size() / bareMedian, 0, 'f', 2)
               .arg(images.size() / median(sequential), 0, 'f', 2)
               .arg(images.size() / median(parallel), 0, 'f', 2);
    rusage own{}, converters{};
    getrusage(RUSAGE_SELF, &own);
    getrusage(RUSAGE_CHILDREN, &converters);
    out << QStringLiteral("peak memory: window process %1 MB, largest converter %2 MB\n")
               .arg(own.ru_maxrss / 1024)
               .arg(converters.ru_maxrss / 1024);
    out << QStringLiteral("parallel results byte-identical to the sequential run: %1\n")
               .arg(identical ? QStringLiteral("yes") : QStringLiteral("NO"));
    out << QStringLiteral("ratio=%1 max_gap_ms=%2 images=%3 parallel_ratio=%4 jobs=%5\n")
               .arg(median(sequential) / bareMedian, 0, 'f', 3)
               .arg(maxGap)
               .arg(images.size())
               .arg(median(parallel) / bareMedian, 0, 'f', 3)
               .arg(jobs);
    return identical ? 0 : 1;
}
