#pragma once

#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "queue/QueueModel.h"
#include "tests/support/TestFiles.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <memory>

// What the engine's tests share: where a result goes, what ImageMagick says of it, and a run
// with the queue's model and nothing else.

inline QString resultOf(const QString &source)
{
    const QFileInfo info(source);
    return info.path() + u'/' + info.fileName().section(u'.', 0, 0) + QStringLiteral("_已压缩.jpg");
}

// What identify says, or a text no comparison expects when it cannot read the file.
inline QString identify(const QString &format, const QString &file)
{
    QByteArray output;
    if (!TestFiles::imageMagick(QStringLiteral("identify"),
                                {QStringLiteral("-format"), format, file}, &output))
        return QStringLiteral("(identify could not read %1)").arg(file);
    return QString::fromUtf8(output);
}

// A run with the queue's model and nothing else: what it would show is recorded as it says it.
struct RunFixture {
    struct Message {
        RunMessageKind kind;
        QString title;
        QString text;
    };

    explicit RunFixture(const QString &programFolder, int jobs = 1)
        : run(std::make_unique<CompressionRun>(queue, runner))
    {
        run->setProgramFolder(programFolder);
        run->setJobs(jobs);
        run->setOptionsSource([this] { return options; });
        run->setFolderOpener([this](const QString &folder) {
            openedFolders.append(folder);
            return true;
        });
        run->setSoundPlayer([this](const QString &sound) { playedSounds.append(sound); });
        CompressionRun *emitter = run.get();
        QObject::connect(emitter, &CompressionRun::outputFolderChanged, emitter,
                         [this](const QString &folder) { options.outputFolder = folder; });
        QObject::connect(emitter, &CompressionRun::messageRequested, emitter,
                         [this](RunMessageKind kind, const QString &title, const QString &text) {
                             messages.append({kind, title, text});
                         });
        QObject::connect(emitter, &CompressionRun::startBusyChanged, emitter,
                         [this](bool isBusy) { busy = isBusy; });
        QObject::connect(emitter, &CompressionRun::started, emitter,
                         [this](int entries) { barMaximum = entries; });
        QObject::connect(emitter, &CompressionRun::statusChanged, emitter,
                         [this](const QString &text) { status = text; });
        QObject::connect(emitter, &CompressionRun::progressChanged, emitter,
                         [this](int value) { bar = value; });
        QObject::connect(emitter, &CompressionRun::entryCommitted, emitter,
                         [this](const CommittedEntry &entry) {
                             entries.append(entry);
                             committed.append(entry.source);
                             barValues.append(bar);
                             if (!entry.succeeded)
                                 failed.append(entry.source);
                         });
        QObject::connect(emitter, &CompressionRun::finished, emitter,
                         [this](const RunSummary &summary) { summaries.append(summary); });
    }

    void add(const QStringList &paths) { queue.append(paths); }
    void setResizeText(const QString &text)
    {
        options.keepSize = false;
        options.resizeText = text;
    }
    void chooseOutputFolder(const QString &folder)
    {
        options.intoOutputFolder = true;
        options.outputFolder = folder;
    }

    QueueModel queue;
    DOSOutputs runner;
    RunOptions options;
    std::unique_ptr<CompressionRun> run;
    QList<Message> messages;
    bool busy = false;
    int barMaximum = 0;
    int bar = 0;
    QString status;
    QStringList openedFolders;
    QStringList playedSounds;
    QList<CommittedEntry> entries;
    QStringList committed;
    QList<int> barValues; // the bar as each entry is committed
    QStringList failed;
    QList<RunSummary> summaries;
};
