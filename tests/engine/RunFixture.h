#pragma once

#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "queue/QueueModel.h"
#include "tests/support/TestFiles.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTest>

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
                         [this](const RunMessage &message) { messages.append(message); });
        QObject::connect(emitter, &CompressionRun::startBusyChanged, emitter,
                         [this](bool isBusy) { busy = isBusy; });
        QObject::connect(emitter, &CompressionRun::started, emitter,
                         [this](int entries) { barMaximum = entries; });
        QObject::connect(emitter, &CompressionRun::stateChanged, emitter,
                         [this](RunState state) { states.append(state); });
        QObject::connect(emitter, &CompressionRun::progressChanged, emitter,
                         [this](int value) { bar = value; });
        // An entry is committed as it leaves the queue's head; the bar follows it.
        QObject::connect(&queue, &QAbstractItemModel::rowsAboutToBeRemoved, emitter,
                         [this](const QModelIndex &, int first) {
                             if (first == 0)
                                 committed.append(queue.at(0));
                         });
        QObject::connect(emitter, &CompressionRun::progressChanged, emitter, [this](int value) {
            if (value > 0)
                barValues.append(value);
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

    // Waits until the run has ended or was cut short; false when it is still going after the
    // time given.
    bool waitForEnd(int timeoutMs = 60000)
    {
        return QTest::qWaitFor([this] { return !run->RunInProgress(); }, timeoutMs);
    }
    // Starts a run and waits for it to end: false when it has not ended in time.
    bool runToEnd(int timeoutMs = 60000)
    {
        run->Command3_Click();
        return waitForEnd(timeoutMs);
    }

    // The last run's summary; an empty one when no run has ended.
    RunSummary summary() const { return summaries.isEmpty() ? RunSummary() : summaries.last(); }
    QStringList failed() const
    {
        QStringList sources;
        for (const EntryOutcome &failure : summary().failures)
            sources.append(failure.source);
        return sources;
    }
    QList<FailureKind> failureKinds() const
    {
        QList<FailureKind> kinds;
        for (const EntryOutcome &failure : summary().failures)
            kinds.append(failure.failure);
        return kinds;
    }
    RunState lastState() const { return states.isEmpty() ? RunState::Idle : states.last(); }

    QueueModel queue;
    DOSOutputs runner;
    RunOptions options;
    std::unique_ptr<CompressionRun> run;
    QList<RunMessage> messages;
    bool busy = false;
    int barMaximum = 0;
    int bar = 0;
    QList<RunState> states;
    QStringList openedFolders;
    QStringList playedSounds;
    QStringList committed;
    QList<int> barValues; // the bar as each entry is committed
    QList<RunSummary> summaries;
};
