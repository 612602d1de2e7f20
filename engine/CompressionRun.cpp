#include "engine/CompressionRun.h"

#include "engine/ConversionScheduler.h"
#include "engine/ResultWriter.h"
#include "engine/RunPreflight.h"
#include "engine/ScratchFolders.h"
#include "platform/AtomicFile.h"
#include "platform/Platform.h"
#include "queue/QueueModel.h"

#include <QDir>
#include <QThread>

namespace {

constexpr int maxJobs = 64;
// Each commit redraws the queue's views, a millisecond or two of the window's time, and small
// images finish far more often than that is worth. A finished head therefore waits this long for
// the entries finishing behind it, so that they are committed and drawn together, while the
// converters go on.
constexpr int commitIntervalMs = 100;

QString withoutTrailingSeparator(QString folder)
{
    if (folder.size() > 1 && Platform::isPathSeparator(folder.back()))
        folder.chop(1);
    return folder;
}

} // namespace

CompressionRun::CompressionRun(QueueModel &queue, DOSOutputs &runner, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_scheduler(new ConversionScheduler(queue, runner, this))
    , m_programFolder(Platform::programFolder())
{
    setJobs(jobsFromEnvironment());
    m_cleanup.setMaxThreadCount(1);
    m_commitTimer.setSingleShot(true);
    connect(&m_commitTimer, &QTimer::timeout, this, &CompressionRun::commitFinishedHeads);
    connect(m_scheduler, &ConversionScheduler::entryFinished, this, &CompressionRun::commitWhenDue);
    connect(m_scheduler, &ConversionScheduler::workCopyFailed, this, [this](int error) {
        RunMessage message;
        message.kind = RunMessage::Kind::ScratchUnwritable;
        message.subject = Platform::jpgTmpFolder();
        message.detail = error ? AtomicFile::describeError(error) : QString();
        stopWithMessage(message);
    });
    connect(m_scheduler, &ConversionScheduler::converterFailedToStart, this,
            [this](const QString &runnerMessage) {
                RunMessage message;
                message.kind = RunMessage::Kind::ConverterDidNotStart;
                message.detail = runnerMessage;
                tellOnce(message);
            });
}

CompressionRun::~CompressionRun()
{
    // Nothing may report to the run once it is gone.
    m_aborted = true;
    m_cleanup.waitForDone();
}

int CompressionRun::jobsFromEnvironment()
{
    bool isNumber = false;
    const int requested = qEnvironmentVariable("TESSALY_JOBS").trimmed().toInt(&isNumber);
    if (isNumber && requested >= 1 && requested <= maxJobs)
        return requested;
    return qBound(1, QThread::idealThreadCount(), maxJobs);
}

void CompressionRun::setJobs(int jobs)
{
    if (RunInProgress())
        return;
    m_jobs = qBound(1, jobs, maxJobs);
}

void CompressionRun::setOptionsSource(std::function<RunOptions()> source)
{
    m_optionsSource = std::move(source);
}

void CompressionRun::setFolderOpener(std::function<bool(const QString &)> opener)
{
    m_openFolder = std::move(opener);
}

void CompressionRun::setSoundPlayer(std::function<void(const QString &)> player)
{
    m_playSound = std::move(player);
}

void CompressionRun::setState(RunState state)
{
    m_state = state;
    Q_EMIT stateChanged(state);
}

void CompressionRun::imgStart_Click()
{
    if (RunInProgress())
        requestStop();
    else
        Command3_Click();
}

void CompressionRun::Command3_Click()
{
    if (RunInProgress())
        return;
    Q_EMIT startBusyChanged(false);
    if (m_queue.count() == 0) {
        Q_EMIT messageRequested({RunMessage::Kind::EmptyQueue, {}, {}});
        return;
    }
    m_options = m_optionsSource ? m_optionsSource() : RunOptions();
    const QString outputFolder = withoutTrailingSeparator(m_options.outputFolder);
    if (outputFolder != m_options.outputFolder) {
        m_options.outputFolder = outputFolder;
        Q_EMIT outputFolderChanged(outputFolder);
    }
    if (const auto problem = RunPreflight::check(m_options, m_programFolder)) {
        Q_EMIT messageRequested(*problem);
        return;
    }
    // A run cut short by abort() may still be clearing its folders; this one makes them anew.
    m_cleanup.waitForDone();

    ++m_runNumber;
    m_state = RunState::Preparing;
    m_aborted = false;
    m_stopRequested = false;
    m_told.clear();
    m_committed = 0;
    m_summary = RunSummary();
    Q_EMIT startBusyChanged(true);
    Q_EMIT started(m_queue.count());
    if (!m_options.outputFolder.isEmpty())
        QDir().mkdir(m_options.outputFolder);
    ConversionScheduler::Plan plan;
    plan.workFolder = ScratchFolders::prepare();
    setState(RunState::Preparing);

    plan.converters = m_jobs;
    plan.programFolder = m_programFolder;
    plan.options = m_options;
    setState(RunState::Compressing);
    m_sinceCommit.start();
    m_scheduler->start(plan);
}

void CompressionRun::requestStop()
{
    if (!isConverting() || m_stopRequested)
        return;
    m_stopRequested = true;
    m_scheduler->stop();
    commitWhenDue();
    finishWhenDone();
}

void CompressionRun::stopWithMessage(const RunMessage &message)
{
    tellOnce(message);
    requestStop();
}

// A fault that every entry would meet is told once, not once an entry.
void CompressionRun::tellOnce(const RunMessage &message)
{
    if (m_told.contains(message.kind))
        return;
    m_told.append(message.kind);
    Q_EMIT messageRequested(message);
}

void CompressionRun::abort()
{
    m_aborted = true;
    m_commitTimer.stop();
    m_scheduler->abort();
    m_state = RunState::Idle;
}

// Waiting for company only pays while converters run and a slot is free to start another.
bool CompressionRun::headDueForCommit() const
{
    return m_stopRequested || m_sinceCommit.hasExpired(commitIntervalMs) ||
           !m_scheduler->hasUnfinished() || m_scheduler->slotsFull();
}

void CompressionRun::commitWhenDue()
{
    if (m_state != RunState::Compressing || !m_scheduler->headFinished())
        return;
    if (headDueForCommit())
        commitFinishedHeads();
    else if (!m_commitTimer.isActive())
        m_commitTimer.start(int(qMax<qint64>(0, commitIntervalMs - m_sinceCommit.elapsed())));
}

// Small images finish faster than the window could draw each removal; the window catches up
// once for all the entries committed together.
void CompressionRun::commitFinishedHeads()
{
    m_commitTimer.stop();
    while (m_state == RunState::Compressing && m_scheduler->headFinished())
        commitHead();
    m_sinceCommit.start();
    finishWhenDone();
}

void CompressionRun::commitHead()
{
    const ConversionScheduler::Converted &converted = m_scheduler->head();
    EntryOutcome entry;
    entry.source = converted.source;
    entry.failure = converted.failure;
    entry.converterMessage = converted.converterMessage;
    if (entry.succeeded()) {
        const ResultWriter::Placed placed = ResultWriter::place(
            converted.result, ResultWriter::outputPathFor(m_queue.at(0), m_options));
        entry.failure = placed.failure;
        entry.detail = placed.detail;
    }
    if (entry.succeeded()) {
        entry.sourceBytes = converted.sourceBytes;
        entry.resultBytes = converted.resultBytes;
    }
    m_summary.add(entry);
    m_scheduler->releaseHead();
    Q_EMIT progressChanged(++m_committed);
}

void CompressionRun::finishWhenDone()
{
    if (m_state != RunState::Compressing || !m_scheduler->isEmpty())
        return;
    if (!m_stopRequested && m_queue.count() > 0)
        return;
    m_summary.stopped = m_stopRequested;
    Q_EMIT progressChanged(0);
    setState(RunState::Finishing);
    removeScratchFolders();
}

// Deleting a work copy of gigabytes takes the file system a while, and copies let go by a stop
// may still be writing into the work folder: the window does not wait for either.
void CompressionRun::removeScratchFolders()
{
    m_cleanup.start([this, scheduler = m_scheduler, run = m_runNumber] {
        scheduler->cancelAndWaitForCopies();
        ScratchFolders::remove();
        QMetaObject::invokeMethod(
            this, [this, run] { endStepsDone(run); }, Qt::QueuedConnection);
    });
}

void CompressionRun::endStepsDone(quint64 run)
{
    if (m_aborted || run != m_runNumber)
        return;
    m_state = RunState::Idle;
    Q_EMIT finished(m_summary);
    Q_EMIT startBusyChanged(false);
    // A window closed meanwhile shows and plays nothing more.
    if (m_aborted)
        return;
    if (m_options.intoOutputFolder && m_openFolder && !m_openFolder(m_options.outputFolder))
        Q_EMIT outputFolderNotOpened(m_options.outputFolder);
    if (m_aborted)
        return;
    if (m_playSound)
        m_playSound(Platform::soundPath(m_programFolder));
}
