#pragma once

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

class CompressionOptions;
class DOSOutputs;
class ImageQueue;
class QLabel;
class QProgressBar;
class QWidget;
class clsWaitableTimer;

// What the Start button does: every queued image is copied into the scratch folder, converted to
// a JPEG by the converter at the chosen quality and size, and the result copied out under the
// image's base name followed by "_已压缩.jpg"; the queue empties from the top while the bar rises.
//
// Up to jobs() converters run side by side, but results are committed strictly in queue order,
// so what the user sees, and which result wins when two images map to one name, is the same as
// one converter after another.
class CompressionRun : public QObject
{
    Q_OBJECT

public:
    struct Controls {
        QWidget *imgStart = nullptr;
        QList<QWidget *> lockedDuringRun; // besides imgStart, in the order they are disabled
        QProgressBar *pb = nullptr;
        QLabel *lblPB = nullptr;
        QWidget *messageOwner = nullptr;
    };

    CompressionRun(ImageQueue &queue, CompressionOptions &options, DOSOutputs &runner,
                   const Controls &controls, QObject *parent = nullptr);
    ~CompressionRun() override;

    // The number of converters by default: TESSALY_JOBS when it is 1 to 64, else the cores.
    static int jobsFromEnvironment();
    static const QString &doneText(); // "完成."
    static QString failureText(int failed);

    void Command3_Click();
    void imgStart_Click() { Command3_Click(); }

    struct Failure {
        QString source;
        QString reason;
    };

    bool RunInProgress() const { return m_runInProgress; }
    QStringList failedEntries() const;
    QList<Failure> failures() const { return m_failed; }

    int jobs() const { return m_jobs; }
    void setJobs(int jobs);
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    QString programFolder() const { return m_programFolder; }
    // Where the desktop side effects of the run's end go; tests record them instead.
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
    void entryCommitted(const QString &source, bool succeeded);
    void endSoundStarting();

private:
    // One queue entry on its way through a slot: its work copy is made away from the window,
    // then its converter runs. Complete here: a deque of it is a member.
    struct Job {
        quint64 id = 0;
        QString source;
        std::size_t slot = 0;
        bool done = false;
        bool converted = false;
        QString reason; // why it gave no result
    };
    struct Slot;
    struct WorkCopy {
        bool copied = false;
        bool transparent = false;
    };

    bool converterAvailable() const;
    bool optionsUsable() const;
    void lockControls(bool locked);
    void dispatchJobs();
    void startJob(Job &job);
    void startConverter(quint64 jobId, std::size_t slotIndex, const WorkCopy &copy);
    Job *jobWithId(quint64 id);
    void finishJob(Slot &slot);
    void commitHead();
    QString outputPathForHead() const;
    bool moveResultOut(const QString &result, const QString &outputPath, QString *reason) const;
    void finishRun();

    ImageQueue &m_queue;
    CompressionOptions &m_options;
    DOSOutputs &m_runner;
    Controls m_controls;
    QString m_programFolder;
    std::function<bool(const QString &)> m_openFolder;
    std::function<void(const QString &)> m_playSound;
    std::unique_ptr<clsWaitableTimer> m_wait;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::deque<Job> m_jobsInFlight;
    quint64 m_nextJobId = 0;
    quint64 m_runNumber = 0;
    QList<Failure> m_failed;
    // Work copies are made here; a run that ends early tells them to stop through the flag.
    std::shared_ptr<std::atomic_bool> m_cancelCopies;
    QThreadPool m_copyPool;
    QString m_workFolder;
    int m_jobs = 1;
    bool m_runInProgress = false;
    bool m_aborted = false;
    bool m_stopRequested = false;
};
