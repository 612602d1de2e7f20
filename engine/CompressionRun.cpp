#include "engine/CompressionRun.h"

#include "engine/clsWaitableTimer.h"
#include "engine/ConverterCommand.h"
#include "engine/DOSOutputs.h"
#include "engine/FailureReason.h"
#include "engine/FileHelpers.h"
#include "engine/ImageHeader.h"
#include "engine/WorkFiles.h"
#include "platform/AtomicFile.h"
#include "platform/ChildPriority.h"
#include "platform/FileCopy.h"
#include "platform/NativePath.h"
#include "platform/Platform.h"
#include "queue/QueueModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProcessEnvironment>
#include <QtConcurrent>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

namespace {

constexpr int maxJobs = 64;
constexpr int pollMs = 50;
// With several converters, finished results may wait this many times the converter count for
// a slow image at the head, so that one large photo does not leave the other cores idle.
constexpr int resultsWaitingPerConverter = 16;
// Each commit redraws the queue's views, a millisecond or two of the window's time, and small
// images finish far more often than that is worth. A finished head therefore waits this long for
// the entries finishing behind it, so that they are committed and drawn together, while the
// converters go on.
constexpr int commitIntervalMs = 100;
// Copies made ahead of a free converter are small images' only: the room they take is bounded.
constexpr qint64 largestCopyAhead = qint64(16) << 20;
// Work copies kept to be written over are small: one slot's spare holds at most this much.
constexpr qint64 largestSpareCopy = qint64(1) << 20;

const QString resultSuffix = QStringLiteral("_已压缩.jpg");

void serveEvents()
{
    QCoreApplication::processEvents();
}

bool isReadOnly(std::filesystem::perms permissions)
{
    // The mode bits, not access(): the owner marked the file read-only even when we could write.
    using std::filesystem::perms;
    return (permissions & (perms::owner_write | perms::group_write | perms::others_write)) ==
           perms::none;
}

QString withoutTrailingSeparator(QString folder)
{
    if (folder.size() > 1 && Platform::isPathSeparator(folder.back()))
        folder.chop(1);
    return folder;
}

} // namespace

struct CompressionRun::Slot {
    Slot(DOSOutputs *sharedRunner, std::unique_ptr<DOSOutputs> slotRunner,
         const WorkFiles &slotFiles)
        : ownRunner(std::move(slotRunner))
        , runner(sharedRunner ? sharedRunner : ownRunner.get())
        , files(slotFiles)
    {}

    ~Slot()
    {
        QObject::disconnect(finished);
        QObject::disconnect(failedToStart);
    }

    std::unique_ptr<DOSOutputs> ownRunner;
    DOSOutputs *runner;
    WorkFiles files;
    QMetaObject::Connection finished;
    QMetaObject::Connection failedToStart;
    bool busy = false;
    bool preparing = false;  // its work copy is being made
    bool folderMade = false; // its folder stays until the run ends
};

CompressionRun::CompressionRun(QueueModel &queue, DOSOutputs &runner, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_runner(runner)
    , m_programFolder(Platform::programFolder())
    , m_wait(std::make_unique<clsWaitableTimer>())
    , m_cancelCopies(std::make_shared<std::atomic_bool>(false))
{
    setJobs(jobsFromEnvironment());
}

CompressionRun::~CompressionRun()
{
    // The pool waits for its copies as it goes; told to stop, they end within one block.
    *m_cancelCopies = true;
}

int CompressionRun::jobsFromEnvironment()
{
    bool isNumber = false;
    const int requested = qEnvironmentVariable("TESSALY_JOBS").trimmed().toInt(&isNumber);
    if (isNumber && requested >= 1 && requested <= maxJobs)
        return requested;
    return qBound(1, QThread::idealThreadCount(), maxJobs);
}

const QString &CompressionRun::doneText()
{
    static const QString text = QStringLiteral("完成.");
    return text;
}

const QString &CompressionRun::stoppedText()
{
    static const QString text = QStringLiteral("已停止.");
    return text;
}

void CompressionRun::requestStop()
{
    if (!m_runInProgress)
        return;
    m_stopRequested = true;
    m_wait->interrupt();
}

QStringList CompressionRun::failedEntries() const
{
    QStringList sources;
    for (const Failure &failure : m_summary.failures)
        sources.append(failure.source);
    return sources;
}

QString CompressionRun::failureText(int failed)
{
    return QStringLiteral("完成. %1 个文件失败").arg(failed);
}

void CompressionRun::setJobs(int jobs)
{
    if (m_runInProgress)
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

void CompressionRun::cleanUpScratchFolders()
{
    const QString workFolder = Platform::jpgTmpFolder();
    WorkFiles::terminateLeftovers(workFolder);
    FileHelpers::DeleteFolderTree(workFolder + u'/');
    FileHelpers::DeleteFolderTree(Platform::tmpQuenbyFolder() + u'/');
}

void CompressionRun::showMessage(RunMessageKind kind, const QString &text, const QString &title)
{
    Q_EMIT messageRequested(kind, title.isEmpty() ? QStringLiteral("Tessaly") : title, text);
}

bool CompressionRun::converterAvailable()
{
    const QFileInfo converter(Platform::converterPath(m_programFolder));
    if (converter.isFile() && converter.isExecutable())
        return true;
    showMessage(RunMessageKind::Critical,
                QStringLiteral("找不到图片转换程序：\n%1\n\n请安装 ImageMagick 后再试。"
                               "队列中的文件保持不变，没有压缩任何文件。")
                    .arg(QDir::toNativeSeparators(converter.filePath())));
    return false;
}

// A choice that would make every image fail is told now, while the queue is still there.
bool CompressionRun::optionsUsable()
{
    const QString resize = m_options.resizeText;
    if (!m_options.keepSize && !ConverterCommand::isResizeGeometry(resize)) {
        showMessage(RunMessageKind::Warning,
                    QStringLiteral("无法识别尺寸“%1”。\n\n请从列表中选择，或输入像 "
                                   "1024x768、800x、50% 这样的尺寸。"
                                   "队列中的文件保持不变。")
                        .arg(resize));
        return false;
    }
    if (!m_options.intoOutputFolder)
        return true;
    const QString folder = m_options.outputFolder;
    QDir().mkdir(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.tessaly-XXXXXX"));
    if (QFileInfo(folder).isDir() && probe.open())
        return true;
    showMessage(RunMessageKind::Warning,
                QStringLiteral("无法在输出文件夹中保存图片：\n%1\n\n请另选一个输出文件夹后"
                               "再试。队列中的文件保持不变。")
                    .arg(QDir::toNativeSeparators(folder)));
    return false;
}

void CompressionRun::imgStart_Click()
{
    if (m_runInProgress)
        requestStop();
    else
        Command3_Click();
}

void CompressionRun::Command3_Click()
{
    if (m_runInProgress)
        return;
    Q_EMIT startBusyChanged(false);
    if (m_queue.count() == 0) {
        showMessage(RunMessageKind::Plain, QStringLiteral("请先添加一个图片文件."),
                    QStringLiteral("添加文件"));
        return;
    }
    m_options = m_optionsSource ? m_optionsSource() : RunOptions();
    const QString outputFolder = withoutTrailingSeparator(m_options.outputFolder);
    if (outputFolder != m_options.outputFolder) {
        m_options.outputFolder = outputFolder;
        Q_EMIT outputFolderChanged(outputFolder);
    }
    if (!converterAvailable() || !optionsUsable())
        return;

    m_runInProgress = true;
    m_aborted = false;
    m_stopRequested = false;
    ++m_runNumber;
    m_cancelCopies = std::make_shared<std::atomic_bool>(false);
    m_copyPool.setMaxThreadCount(m_jobs);
    m_committed = 0;
    m_summary = RunSummary();
    Q_EMIT startBusyChanged(true);
    Q_EMIT started(m_queue.count());

    m_workFolder = Platform::jpgTmpFolder();
    if (!m_options.outputFolder.isEmpty())
        QDir().mkdir(m_options.outputFolder);
    // Made again here, not only at start-up: the user may have deleted it meanwhile.
    Platform::ensureScratchRoot();
    QDir().mkdir(Platform::tmpQuenbyFolder());
    QDir().mkdir(m_workFolder);
    QFile::remove(m_workFolder + QStringLiteral("/jpgtmp.pdf"));
    Q_EMIT statusChanged(QStringLiteral("准备文件..."));

    QProcessEnvironment converterEnvironment;
    converterEnvironment.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"),
                                Platform::converterPolicyFolder(m_programFolder));
    if (m_jobs > 1)
        converterEnvironment.insert(QStringLiteral("MAGICK_THREAD_LIMIT"), QStringLiteral("1"));
    m_slots.clear();
    m_jobsInFlight.clear();
    const int slotCount = m_jobs == 1 ? 1 : m_jobs * resultsWaitingPerConverter;
    for (int slot = 0; slot < slotCount; ++slot) {
        auto ownRunner = slot == 0 ? nullptr : std::make_unique<DOSOutputs>();
        m_slots.push_back(std::make_unique<Slot>(
            slot == 0 ? &m_runner : nullptr, std::move(ownRunner), WorkFiles(m_workFolder, slot)));
        Slot *added = m_slots.back().get();
        added->runner->setExtraEnvironment(converterEnvironment);
        added->finished = connect(added->runner, &DOSOutputs::CommandOver, this,
                                  [this, added] { finishJob(*added); });
        added->failedToStart = connect(
            added->runner, &DOSOutputs::failedToStart, this,
            [this](const QString &message) { showMessage(RunMessageKind::Critical, message); });
    }

    m_sinceCommit.start();
    while (!m_aborted && m_queue.count() > 0 && !(m_stopRequested && m_jobsInFlight.empty())) {
        Q_EMIT statusChanged(QStringLiteral("正在压缩..."));
        dispatchJobs();
        waitForHeadDueForCommit();
        if (!m_aborted) {
            commitFinishedHeads();
            m_sinceCommit.start();
        }
    }
    if (m_aborted) {
        m_runInProgress = false;
        return;
    }
    finishRun();
}

std::size_t CompressionRun::jobsAt(Job::Stage stage) const
{
    return std::size_t(std::count_if(m_jobsInFlight.cbegin(), m_jobsInFlight.cend(),
                                     [stage](const Job &job) { return job.stage == stage; }));
}

std::size_t CompressionRun::unfinishedJobs() const
{
    return m_jobsInFlight.size() - jobsAt(Job::Stage::Done);
}

// Waiting for company only pays while converters run and a slot is free to start another.
bool CompressionRun::headDueForCommit() const
{
    if (m_jobsInFlight.front().stage != Job::Stage::Done)
        return false;
    return m_stopRequested || m_sinceCommit.hasExpired(commitIntervalMs) || unfinishedJobs() == 0 ||
           m_jobsInFlight.size() >= m_slots.size();
}

void CompressionRun::waitForHeadDueForCommit()
{
    while (!m_aborted) {
        if (m_stopRequested)
            dropJobsNotStarted();
        if (m_jobsInFlight.empty() || headDueForCommit())
            return;
        m_wait->Wait(m_jobsInFlight.front().stage == Job::Stage::Done
                         ? int(qMax<qint64>(0, commitIntervalMs - m_sinceCommit.elapsed()))
                         : pollMs);
        dispatchJobs();
    }
}

// A stopped run finishes the entries given to a converter; the rest stay queued. Converters are
// given in the queue's order, so the entries not given one are the last ones in flight.
void CompressionRun::dropJobsNotStarted()
{
    while (!m_jobsInFlight.empty() && m_jobsInFlight.back().stage != Job::Stage::Converting &&
           m_jobsInFlight.back().stage != Job::Stage::Done) {
        Slot &slot = *m_slots[m_jobsInFlight.back().slot];
        slot.busy = slot.preparing; // a copy still being made keeps its slot until it ends
        m_jobsInFlight.pop_back();
    }
}

void CompressionRun::dispatchJobs()
{
    const std::size_t aheadOfConverters = m_slots.size() > 1 ? std::size_t(m_jobs) : 0;
    while (!m_aborted && !m_stopRequested && m_jobsInFlight.size() < m_slots.size() &&
           m_jobsInFlight.size() < std::size_t(m_queue.count()) &&
           unfinishedJobs() < std::size_t(m_jobs) + aheadOfConverters) {
        std::size_t free = 0;
        while (m_slots[free]->busy)
            ++free;
        m_slots[free]->busy = true;
        Job job;
        job.id = ++m_nextJobId;
        job.source = m_queue.at(int(m_jobsInFlight.size()));
        job.slot = free;
        job.ahead = unfinishedJobs() >= std::size_t(m_jobs);
        m_jobsInFlight.push_back(job);
        startJob(m_jobsInFlight.back());
    }
}

// The work copy and the look at its header take as long as the source's size and its disk
// make them: a few gigabytes, or a slow network folder, must not hold the window.
void CompressionRun::startJob(Job &job)
{
    Slot &slot = *m_slots[job.slot];
    slot.preparing = true;
    job.stage = Job::Stage::Copying;
    const bool makeFolder = !std::exchange(slot.folderMade, true);
    // A copy made ahead waits on the disk beside the ones being converted; a large one would
    // only take room there sooner.
    const qint64 largest = job.ahead ? largestCopyAhead : std::numeric_limits<qint64>::max();
    auto *copied = new QFutureWatcher<WorkCopy>(this);
    connect(copied, &QFutureWatcher<WorkCopy>::finished, this,
            [this, copied, id = job.id, slotIndex = job.slot, run = m_runNumber] {
                copied->deleteLater();
                if (run != m_runNumber || m_aborted)
                    return; // a copy for a run that has ended
                m_slots[slotIndex]->preparing = false;
                jobCopied(id, slotIndex, copied->result());
            });
    copied->setFuture(
        QtConcurrent::run(&m_copyPool, [files = slot.files, source = job.source,
                                        cancel = m_cancelCopies, makeFolder, largest] {
            if (makeFolder)
                files.prepareFolder();
            // A copy that fails leaves the work folder empty, so no earlier image is converted
            // in its place.
            files.clear();
            WorkCopy copy;
            copy.bytes = files.copyIn(source, *cancel, largest);
            copy.transparent = copy.bytes >= 0 && ImageHeader::hasTransparency(files.input());
            return copy;
        }));
}

CompressionRun::Job *CompressionRun::jobWithId(quint64 id)
{
    for (Job &job : m_jobsInFlight) {
        if (job.id == id)
            return &job;
    }
    return nullptr;
}

void CompressionRun::jobCopied(quint64 jobId, std::size_t slotIndex, const WorkCopy &copy)
{
    Job *job = jobWithId(jobId);
    if (!job) {
        m_slots[slotIndex]->busy = false; // the run started over from a new head meanwhile
        return;
    }
    job->copy = copy;
    if (copy.bytes == FileCopy::tooLarge) {
        job->ahead = false;
        job->stage = Job::Stage::Deferred;
    } else if (copy.bytes < 0) {
        // Done without a converter: the entries behind it may be waiting for one.
        job->stage = Job::Stage::Done;
        job->reason = FailureReason::unreadableSource();
        m_wait->interrupt();
    } else {
        job->stage = Job::Stage::Ready;
    }
    startWaitingJobs();
}

// Converters are given in the queue's order, so that the head is never the one left waiting.
void CompressionRun::startWaitingJobs()
{
    while (!m_aborted && jobsAt(Job::Stage::Converting) < std::size_t(m_jobs)) {
        const auto next =
            std::find_if(m_jobsInFlight.begin(), m_jobsInFlight.end(), [](const Job &job) {
                return job.stage != Job::Stage::Converting && job.stage != Job::Stage::Done;
            });
        if (next == m_jobsInFlight.end() || next->stage == Job::Stage::Copying)
            return;
        if (next->stage == Job::Stage::Deferred)
            return startJob(*next); // copied now that a converter waits for it
        startConverter(*next);
    }
}

void CompressionRun::startConverter(Job &job)
{
    Slot &slot = *m_slots[job.slot];
    job.stage = Job::Stage::Converting;
    job.sourceBytes = job.copy.bytes;

    ConverterCommand command;
    command.programFolder = m_programFolder;
    command.input = slot.files.input();
    command.resizeText = m_options.keepSize ? QString() : m_options.resizeText;
    command.quality = m_options.quality;
    command.output = slot.files.result();
    command.flattenOntoWhite = job.copy.transparent;

    slot.runner->setCommandLine(command.commandLine());
    if (!slot.runner->startCommand()) {
        job.stage = Job::Stage::Done;
        job.reason = FailureReason::converterDidNotStart();
        m_wait->interrupt();
        return;
    }
    ChildPriority::lowerBelowThisProcess(slot.runner->processId());
}

void CompressionRun::finishJob(Slot &slot)
{
    // Only the result waits for its turn; the work copy of the source is set aside at once. A
    // small one is written over by the slot's next copy; freeing a copy of gigabytes takes the
    // file system a while, so a large one is deleted away from the window. The work folder is
    // removed only once that is done.
    const bool setAside = slot.files.setInputAside();
    for (Job &job : m_jobsInFlight) {
        if (m_slots[job.slot].get() == &slot && job.stage == Job::Stage::Converting) {
            job.stage = Job::Stage::Done;
            job.converterMessage = slot.runner->Outputs().toString();
            job.result = slot.files.producedResult(&job.resultBytes);
            job.converted = slot.runner->succeeded() &&
                            !FailureReason::reportsDamagedSource(job.converterMessage) &&
                            !job.result.isEmpty();
            if (!job.converted)
                job.reason = FailureReason::fromConverterOutput(job.converterMessage);
            if (setAside && job.sourceBytes > largestSpareCopy)
                m_copyPool.start([spare = slot.files.spare()] { QFile::remove(spare); });
            break;
        }
    }
    startWaitingJobs();
    m_wait->interrupt();
}

// Small images finish faster than the window could draw each removal; the window catches up
// once for all the entries committed together.
void CompressionRun::commitFinishedHeads()
{
    while (!m_jobsInFlight.empty() && m_jobsInFlight.front().stage == Job::Stage::Done &&
           commitHead()) {
    }
    serveEvents();
}

bool CompressionRun::commitHead()
{
    const Job job = m_jobsInFlight.front();
    m_jobsInFlight.pop_front();
    Slot &slot = *m_slots[job.slot];

    if (m_queue.at(0) != job.source) {
        // The queue changed under the run; start again from its current head.
        for (const Job &pending : m_jobsInFlight)
            m_slots[pending.slot]->runner->terminate();
        for (const auto &each : m_slots)
            each->busy = each->preparing; // a copy still being made keeps its slot
        m_jobsInFlight.clear();
        return false;
    }

    CommittedEntry entry;
    entry.source = job.source;
    entry.reason = job.reason;
    entry.converterMessage = job.converterMessage;
    entry.succeeded =
        job.converted && moveResultOut(job.result, outputPathForHead(), &entry.reason);
    if (entry.succeeded) {
        entry.reason.clear();
        entry.sourceBytes = job.sourceBytes;
        entry.resultBytes = job.resultBytes;
    }
    slot.busy = false;
    m_summary.add(entry);
    m_queue.removeHead();
    Q_EMIT progressChanged(++m_committed);
    Q_EMIT entryCommitted(entry);
    return true;
}

QString CompressionRun::outputPathForHead() const
{
    if (!m_options.intoOutputFolder) {
        // The list's text up to and with its last separator: the image's own folder.
        const QString text = m_queue.at(0);
        const QString folder = text.chopped(FileHelpers::GetFileName(text).size());
        return folder + FileHelpers::GetBaseName(text) + resultSuffix;
    }
    return m_options.outputFolder + Platform::nativeSeparator() +
           FileHelpers::GetBaseName(m_queue.at(0)) + resultSuffix;
}

bool CompressionRun::moveResultOut(const QString &result, const QString &outputPath,
                                   QString *reason) const
{
    if (result.isEmpty())
        return false;
    const std::filesystem::path target = NativePath::toFileSystem(outputPath);
    std::error_code error;
    const std::filesystem::file_status existing = std::filesystem::symlink_status(target, error);
    // A read-only file is one the user wants kept; something that is no file is not ours. A
    // link is replaced, never followed.
    if (std::filesystem::is_directory(existing) || std::filesystem::is_other(existing)) {
        *reason = FailureReason::resultNotSaved(QStringLiteral("该位置已有一个同名的文件夹"));
        return false;
    }
    if (std::filesystem::is_regular_file(existing) && isReadOnly(existing.permissions())) {
        *reason = FailureReason::resultNotSaved(QStringLiteral("原有的结果文件是只读的"));
        return false;
    }
    // Renaming replaces an old result in one step and copies nothing.
    std::filesystem::rename(NativePath::toFileSystem(result), target, error);
    if (!error)
        return true;
    QString why;
    if (error == std::errc::cross_device_link) {
        // On another file system the old result still stays whole until the new one is written.
        if (AtomicFile::replaceWithCopyOf(outputPath, result, &why))
            return true;
    } else {
        why = AtomicFile::describeError(error.value());
    }
    *reason = FailureReason::resultNotSaved(why);
    return false;
}

void CompressionRun::finishRun()
{
    Q_EMIT progressChanged(0);
    QString status =
        m_summary.failures.isEmpty() ? doneText() : failureText(m_summary.failures.size());
    m_summary.stopped = m_stopRequested;
    if (m_stopRequested)
        status.replace(doneText(), stoppedText());
    Q_EMIT statusChanged(status);
    serveEvents();
    // Copies the run no longer needs (it started over from a new head) must not write into the
    // work folder after it is gone.
    ++m_runNumber;
    *m_cancelCopies = true;
    m_copyPool.waitForDone();
    FileHelpers::DeleteFolderTree(m_workFolder + u'/');
    FileHelpers::DeleteFolderTree(Platform::tmpQuenbyFolder() + u'/');
    m_slots.clear();
    m_runInProgress = false;
    Q_EMIT finished(m_summary);
    Q_EMIT startBusyChanged(false);
    serveEvents();
    // The window may have been closed while events were served; a closing window shows and
    // plays nothing more.
    if (m_aborted)
        return;
    if (m_options.intoOutputFolder && m_openFolder && !m_openFolder(m_options.outputFolder))
        Q_EMIT outputFolderNotOpened(m_options.outputFolder);
    serveEvents();
    if (m_aborted)
        return;
    Q_EMIT endSoundStarting();
    if (m_playSound)
        m_playSound(Platform::soundPath(m_programFolder));
}

void CompressionRun::abort()
{
    m_aborted = true;
    *m_cancelCopies = true;
    for (const auto &slot : m_slots)
        slot->runner->terminate();
    m_wait->interrupt();
}
