#pragma once

#include "engine/RunOptions.h"
#include "engine/RunReport.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <functional>

class ConversionScheduler;
class DOSOutputs;
class QueueModel;

// What the Start button does: every queued image is converted to a JPEG at the chosen quality and
// size and its result put in place under the image's base name followed by "_已压缩.jpg"; the
// queue empties from the top while the bar rises. At the end the scratch folders are removed,
// the output folder is opened when the user chose one, and the end sound plays.
//
// A run is driven by events: Command3_Click starts it and returns; converters ending, work copies
// arriving and the commit timer take it on, and finished() says it has ended. Up to jobs()
// converters run side by side, but results are committed strictly in queue order, so what the
// user sees, and which result wins when two images map to one name, is the same as with one
// converter after another.
//
// It needs no GUI and words nothing: it reads the queue's model, takes its options from the
// source it is given as a run starts, and reports states, counts and failure kinds through its
// signals; the window says them in the user's language.
class CompressionRun : public QObject
{
    Q_OBJECT

public:
    CompressionRun(QueueModel &queue, DOSOutputs &runner, QObject *parent = nullptr);
    ~CompressionRun() override;

    // The number of converters by default: TESSALY_JOBS when it is 1 to 64, else the cores.
    static int jobsFromEnvironment();

    // Starts a run of the whole queue, or tells why it cannot start.
    void Command3_Click();
    // The Start button: starts a run, or, while one goes, stops it.
    void imgStart_Click();
    // Stops the run once the images already given a converter are committed; the rest of the
    // queue stays for the next run.
    void requestStop();
    // The window is closing: every converter this run started ends now and nothing more is
    // written, shown or played.
    void abort();

    // From the start of a run to the end of its end steps.
    bool RunInProgress() const { return m_state != RunState::Idle; }
    RunState state() const { return m_state; }
    // Entries are still being converted: closing now would cut the run short.
    bool isConverting() const
    {
        return m_state == RunState::Preparing || m_state == RunState::Compressing;
    }
    // The run so far; the whole run once it is finishing.
    const RunSummary &summary() const { return m_summary; }

    int jobs() const { return m_jobs; }
    void setJobs(int jobs);
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    QString programFolder() const { return m_programFolder; }
    // Read as a run starts, once the queue is known not to be empty.
    void setOptionsSource(std::function<RunOptions()> source);
    // The desktop side effects of the run's end; none until they are set.
    void setFolderOpener(std::function<bool(const QString &)> opener);
    void setSoundPlayer(std::function<void(const QString &)> player);

Q_SIGNALS:
    // false: the Start button's plain look; true: its busy look.
    void startBusyChanged(bool busy);
    void messageRequested(const RunMessage &message);
    // The output folder as the run uses it, its trailing separator gone; kept for good.
    void outputFolderChanged(const QString &folder);
    // The run is under way with this many entries; the controls that change it are locked.
    void started(int entries);
    void stateChanged(RunState state);
    void progressChanged(int committed);
    // Everything is written and the scratch folders are gone; the controls are free again.
    void finished(const RunSummary &summary);
    // The desktop did not show the output folder the run wrote to.
    void outputFolderNotOpened(const QString &folder);

private:
    void setState(RunState state);
    void stopWithMessage(const RunMessage &message);
    void tellOnce(const RunMessage &message);
    void commitWhenDue();
    bool headDueForCommit() const;
    void commitFinishedHeads();
    void commitHead();
    void finishWhenDone();
    void removeScratchFolders();
    void endStepsDone(quint64 run);

    QueueModel &m_queue;
    ConversionScheduler *m_scheduler;
    std::function<RunOptions()> m_optionsSource;
    RunOptions m_options; // this run's
    QString m_programFolder;
    std::function<bool(const QString &)> m_openFolder;
    std::function<void(const QString &)> m_playSound;
    RunSummary m_summary;
    QTimer m_commitTimer;
    QElapsedTimer m_sinceCommit;
    int m_committed = 0;
    int m_jobs = 1;
    quint64 m_runNumber = 0;
    RunState m_state = RunState::Idle;
    bool m_stopRequested = false;
    bool m_aborted = false;
    QList<RunMessage::Kind> m_told; // what this run has said already
    // Removes the scratch folders at a run's end, away from the window.
    QThreadPool m_cleanup;
};
