#pragma once

#include "engine/RunOptions.h"
#include "engine/RunReport.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class DOSOutputs;
class QueueModel;
class clsWaitableTimer;

// What the Start button does: every queued image is copied into the scratch folder, converted to
// a JPEG by the converter at the chosen quality and size, and the result copied out under the
// image's base name followed by "_已压缩.jpg"; the queue empties from the top while the bar rises.
//
// Up to jobs() converters run side by side, but results are committed strictly in queue order,
// so what the user sees, and which result wins when two images map to one name, is the same as
// one converter after another.
//
// It needs no GUI: it reads the queue's model, takes its options from the source it is given
// when a run starts, and reports everything the window shows through its signals.
class CompressionRun : public QObject
{
    Q_OBJECT

public:
    CompressionRun(QueueModel &queue, DOSOutputs &runner, QObject *parent = nullptr);
    ~CompressionRun() override;

    // The number of converters by default: TESSALY_JOBS when it is 1 to 64, else the cores.
    static int jobsFromEnvironment();
    static const QString &doneText(); // "完成."
    static QString failureText(int failed);

    void Command3_Click();
    // The Start button: starts a run, or, while one goes, stops it.
    void imgStart_Click();

    using Failure = RunSummary::Failure;

    bool RunInProgress() const { return m_runInProgress; }
    QStringList failedEntries() const;
    QList<Failure> failures() const { return m_summary.failures; }

    int jobs() const { return m_jobs; }
    void setJobs(int jobs);
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    QString programFolder() const { return m_programFolder; }
    // Read as a run starts, once the queue is known not to be empty.
    void setOptionsSource(std::function<RunOptions()> source);
    // The desktop side effects of the run's end; none until they are set.
    void setFolderOpener(std::function<bool(const QString &)> opener);
    void setSoundPlayer(std::function<void(const QString &)> player);

    // Stops the run once the images already being converted are committed; the rest of the
    // queue stays for the next run.
    void requestStop();
    static const QString &stoppedText(); // "已停止."

    // The window is closing: every converter this run started ends now, nothing more is written,
    // and the run returns as soon as control comes back to it.
    void abort();

    // Start-up: ends converters an interrupted run left behind, then removes the scratch folders.
    static void cleanUpScratchFolders();

Q_SIGNALS:
    // false: the Start button's plain look; true: its busy look.
    void startBusyChanged(bool busy);
    // Something to tell the user before going on; shown modally, so the run waits for it.
    void messageRequested(RunMessageKind kind, const QString &title, const QString &text);
    // The output folder as the run uses it, its trailing separator gone; kept for good.
    void outputFolderChanged(const QString &folder);
    // The run is under way with this many entries; the controls that change it are locked.
    void started(int entries);
    void statusChanged(const QString &text);
    void progressChanged(int committed);
    void entryCommitted(const CommittedEntry &entry);
    // Everything is written and the scratch folders are gone; the controls are free again.
    void finished(const RunSummary &summary);
    // The desktop did not show the output folder the run wrote to.
    void outputFolderNotOpened(const QString &folder);
    void endSoundStarting();

private:
    struct WorkCopy {
        qint64 bytes = -1; // -1: no copy was made
        bool transparent = false;
    };
    // One queue entry on its way through a slot: its work copy is made away from the window,
    // then its converter runs. While every converter is busy, the next entries are copied
    // ahead, so that a converter that ends is followed by the next one at once. Complete here:
    // a deque of it is a member.
    struct Job {
        enum class Stage {
            Copying,
            Ready,    // copied, waiting for a converter
            Deferred, // too large to copy ahead; copied once a converter is free
            Converting,
            Done,
        };
        quint64 id = 0;
        QString source;
        std::size_t slot = 0;
        Stage stage = Stage::Copying;
        bool ahead = false; // copied while every converter was busy
        WorkCopy copy;
        bool converted = false;
        QString result; // the converter's, while it waits in the slot to be committed
        qint64 resultBytes = 0;
        QString reason; // why it gave no result
        QString converterMessage;
        qint64 sourceBytes = 0;
    };
    struct Slot;

    void showMessage(RunMessageKind kind, const QString &text, const QString &title = {});
    bool converterAvailable();
    bool optionsUsable();
    std::size_t jobsAt(Job::Stage stage) const;
    std::size_t unfinishedJobs() const;
    bool headDueForCommit() const;
    // Serves the converters until the head is due for its commit or nothing is left in flight.
    void waitForHeadDueForCommit();
    void dropJobsNotStarted();
    void dispatchJobs();
    void startJob(Job &job);
    void jobCopied(quint64 jobId, std::size_t slotIndex, const WorkCopy &copy);
    // Gives converters that are free to the entries copied ahead, or copies the next one now.
    void startWaitingJobs();
    void startConverter(Job &job);
    Job *jobWithId(quint64 id);
    void finishJob(Slot &slot);
    // Commits every finished entry at the head of the queue, then serves the window once.
    void commitFinishedHeads();
    // Commits the finished head; false when the queue changed under the run, which then starts
    // over from the queue's new head.
    bool commitHead();
    QString outputPathForHead() const;
    bool moveResultOut(const QString &result, const QString &outputPath, QString *reason) const;
    void finishRun();

    QueueModel &m_queue;
    DOSOutputs &m_runner;
    std::function<RunOptions()> m_optionsSource;
    RunOptions m_options; // this run's
    QString m_programFolder;
    std::function<bool(const QString &)> m_openFolder;
    std::function<void(const QString &)> m_playSound;
    std::unique_ptr<clsWaitableTimer> m_wait;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::deque<Job> m_jobsInFlight;
    quint64 m_nextJobId = 0;
    quint64 m_runNumber = 0;
    int m_committed = 0;
    QElapsedTimer m_sinceCommit;
    RunSummary m_summary;
    // Work copies are made here; a run that ends early tells them to stop through the flag.
    std::shared_ptr<std::atomic_bool> m_cancelCopies;
    QThreadPool m_copyPool;
    QString m_workFolder;
    int m_jobs = 1;
    bool m_runInProgress = false;
    bool m_aborted = false;
    bool m_stopRequested = false;
};
