#include "engine/ConversionScheduler.h"

#include "engine/ConverterCommand.h"
#include "engine/DOSOutputs.h"
#include "engine/FailureReason.h"
#include "engine/ImageHeader.h"
#include "engine/WorkFiles.h"
#include "platform/ChildPriority.h"
#include "platform/FileCopy.h"
#include "platform/Platform.h"
#include "queue/QueueModel.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// With several converters, finished results may wait this many times the converter count for
// a slow image at the head, so that one large photo does not leave the other cores idle.
constexpr int resultsWaitingPerConverter = 16;
// Copies made ahead of a free converter are small images' only: the room they take is bounded.
constexpr qint64 largestCopyAhead = qint64(16) << 20;
// Work copies kept to be written over are small: one slot's spare holds at most this much.
constexpr qint64 largestSpareCopy = qint64(1) << 20;

using CopyOutcome = FileCopy::Result::Outcome;

} // namespace

struct ConversionScheduler::Slot {
    explicit Slot(const WorkFiles &slotFiles)
        : files(slotFiles)
    {}

    WorkFiles files;
    std::unique_ptr<DOSOutputs> ownRunner; // made when the slot first converts
    quint64 job = 0;                       // the entry it holds; 0 when free
    bool copying = false;                  // a copy into it is under way, maybe for one let go
    bool folderMade = false;               // its folder stays until the run ends
    bool leftovers = false; // its last entry wrote frames or decoded images beside its result

    bool isFree() const { return job == 0 && !copying; }
};

struct ConversionScheduler::WorkCopy {
    FileCopy::Result copy;
    ImageHeader::Facts facts;
};

ConversionScheduler::ConversionScheduler(QueueModel &queue, DOSOutputs &sharedRunner,
                                         QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_sharedRunner(sharedRunner)
    , m_cancelCopies(std::make_shared<std::atomic_bool>(false))
{
    connect(&m_sharedRunner, &DOSOutputs::CommandOver, this, [this] { converterEnded(0); });
    connect(&m_sharedRunner, &DOSOutputs::failedToStart, this,
            &ConversionScheduler::converterFailedToStart);
}

// The shared runner may be gone already (its owner, the window, made it first); the slots' own
// runners end their converters as they go.
ConversionScheduler::~ConversionScheduler()
{
    m_aborted = true;
    *m_cancelCopies = true;
}

void ConversionScheduler::start(const Plan &plan)
{
    // Copies of a run that was cut short must not write into this one's slots.
    cancelAndWaitForCopies();
    m_plan = plan;
    m_plan.converters = std::max(1, plan.converters);
    m_stopped = false;
    m_aborted = false;
    m_jobs.clear();
    m_slots.clear();
    m_cancelCopies = std::make_shared<std::atomic_bool>(false);
    m_pool.setMaxThreadCount(m_plan.converters);
    const int slotCount =
        m_plan.converters == 1 ? 1 : m_plan.converters * resultsWaitingPerConverter;
    for (int slot = 0; slot < slotCount; ++slot)
        m_slots.push_back(std::make_unique<Slot>(WorkFiles(m_plan.workFolder, slot)));

    m_converterEnvironment = QProcessEnvironment();
    m_converterEnvironment.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"),
                                  Platform::converterPolicyFolder(m_plan.programFolder));
    if (m_plan.converters > 1)
        m_converterEnvironment.insert(QStringLiteral("MAGICK_THREAD_LIMIT"), QStringLiteral("1"));
    m_sharedRunner.setExtraEnvironment(m_converterEnvironment);
    advance();
}

void ConversionScheduler::stop()
{
    m_stopped = true;
    // Converters are given in the queue's order, so the entries not given one are the last ones.
    while (!m_jobs.empty() && !m_jobs.back().givenAConverter) {
        m_slots[m_jobs.back().slot]->job = 0; // a copy still being made keeps it busy until it ends
        m_jobs.pop_back();
    }
    advance();
}

void ConversionScheduler::abort()
{
    m_aborted = true;
    *m_cancelCopies = true;
    for (std::size_t slot = 0; slot < m_slots.size(); ++slot) {
        if (slot == 0 || m_slots[slot]->ownRunner)
            runnerOf(slot).terminate();
    }
}

void ConversionScheduler::cancelAndWaitForCopies()
{
    *m_cancelCopies = true;
    m_pool.waitForDone();
}

bool ConversionScheduler::headFinished() const
{
    return !m_jobs.empty() && m_jobs.front().stage == Job::Stage::Done;
}

const ConversionScheduler::Converted &ConversionScheduler::head() const
{
    return m_jobs.front().converted;
}

void ConversionScheduler::releaseHead()
{
    m_slots[m_jobs.front().slot]->job = 0;
    m_jobs.pop_front();
    m_queue.removeHead();
    advance();
}

bool ConversionScheduler::hasUnfinished() const
{
    return unfinished() > 0;
}

std::size_t ConversionScheduler::unfinished() const
{
    return std::size_t(std::count_if(m_jobs.cbegin(), m_jobs.cend(),
                                     [](const Job &job) { return job.stage != Job::Stage::Done; }));
}

std::size_t ConversionScheduler::converting() const
{
    return std::size_t(std::count_if(m_jobs.cbegin(), m_jobs.cend(), [](const Job &job) {
        return job.stage == Job::Stage::Converting;
    }));
}

void ConversionScheduler::advance()
{
    if (m_aborted)
        return;
    if (!m_stopped)
        takeNextEntries();
    giveConverters();
}

// Entries are taken while there are slots for them, up to one copied ahead per converter.
void ConversionScheduler::takeNextEntries()
{
    const std::size_t converters = std::size_t(m_plan.converters);
    const std::size_t aheadOfConverters = m_slots.size() > 1 ? converters : 0;
    while (m_jobs.size() < std::size_t(m_queue.count()) &&
           unfinished() < converters + aheadOfConverters) {
        const auto free = std::find_if(m_slots.cbegin(), m_slots.cend(),
                                       [](const auto &slot) { return slot->isFree(); });
        if (free == m_slots.cend())
            return;
        Job job;
        job.id = ++m_lastJobId;
        job.slot = std::size_t(free - m_slots.cbegin());
        job.ahead = unfinished() >= converters;
        job.converted.source = m_queue.at(int(m_jobs.size()));
        (*free)->job = job.id;
        m_jobs.push_back(job);
        startCopy(m_jobs.back());
    }
}

ConversionScheduler::Job *ConversionScheduler::firstWaitingForAConverter()
{
    const auto next = std::find_if(m_jobs.begin(), m_jobs.end(), [](const Job &job) {
        return job.stage != Job::Stage::Converting && job.stage != Job::Stage::Done;
    });
    return next == m_jobs.end() ? nullptr : &*next;
}

void ConversionScheduler::giveConverters()
{
    while (converting() < std::size_t(m_plan.converters)) {
        Job *next = firstWaitingForAConverter();
        if (!next || next->stage == Job::Stage::Copying)
            return; // its copy's arrival gives it its turn
        if (next->stage == Job::Stage::Deferred)
            return startCopy(*next);
        startConverter(*next);
    }
}

// The work copy and the look at its header take as long as the source's size and its disk make
// them: a few gigabytes, or a slow network folder, must not hold the window.
void ConversionScheduler::startCopy(Job &job)
{
    Slot &slot = *m_slots[job.slot];
    slot.copying = true;
    job.stage = Job::Stage::Copying;
    const bool makeFolder = !std::exchange(slot.folderMade, true);
    const bool leftovers = std::exchange(slot.leftovers, false);
    // A copy made ahead waits on the disk beside the ones being converted; a large one would
    // only take room there sooner.
    const qint64 largest = job.ahead ? largestCopyAhead : std::numeric_limits<qint64>::max();
    m_pool.start([this, files = slot.files, source = job.converted.source, cancel = m_cancelCopies,
                  makeFolder, leftovers, largest, id = job.id, slotIndex = job.slot] {
        if (makeFolder)
            files.prepareFolder();
        // A copy that fails leaves the slot empty, so no earlier image is converted in its place.
        files.clear(leftovers);
        WorkCopy made;
        made.copy = files.copyIn(source, *cancel, largest);
        if (made.copy.outcome == CopyOutcome::Copied)
            made.facts = ImageHeader::read(files.input());
        QMetaObject::invokeMethod(
            this, [this, id, slotIndex, made] { copyArrived(id, slotIndex, made); },
            Qt::QueuedConnection);
    });
}

ConversionScheduler::Job *ConversionScheduler::jobWithId(quint64 id)
{
    const auto found =
        std::find_if(m_jobs.begin(), m_jobs.end(), [id](const Job &job) { return job.id == id; });
    return found == m_jobs.end() ? nullptr : &*found;
}

void ConversionScheduler::copyArrived(quint64 jobId, std::size_t slotIndex, const WorkCopy &made)
{
    if (m_aborted || slotIndex >= m_slots.size())
        return;
    m_slots[slotIndex]->copying = false;
    Job *job = jobWithId(jobId);
    if (job) {
        switch (made.copy.outcome) {
        case CopyOutcome::Copied:
            job->stage = Job::Stage::Ready;
            job->facts = made.facts;
            job->converted.sourceBytes = made.copy.bytes;
            break;
        case CopyOutcome::TooLarge:
            job->ahead = false;
            job->stage = Job::Stage::Deferred;
            break;
        case CopyOutcome::TargetUnwritable:
            stop();
            Q_EMIT workCopyFailed(made.copy.error);
            return;
        case CopyOutcome::SourceUnreadable:
        case CopyOutcome::Cancelled:
            finishJob(*job, FailureKind::UnreadableSource);
            break;
        }
    }
    advance(); // whatever the copy came to, its slot or a converter may be free for the next
}

DOSOutputs &ConversionScheduler::runnerOf(std::size_t slotIndex)
{
    if (slotIndex == 0)
        return m_sharedRunner;
    Slot &slot = *m_slots[slotIndex];
    if (!slot.ownRunner) {
        slot.ownRunner = std::make_unique<DOSOutputs>();
        DOSOutputs *runner = slot.ownRunner.get();
        runner->setExtraEnvironment(m_converterEnvironment);
        connect(runner, &DOSOutputs::CommandOver, this,
                [this, slotIndex] { converterEnded(slotIndex); });
        connect(runner, &DOSOutputs::failedToStart, this,
                &ConversionScheduler::converterFailedToStart);
    }
    return *slot.ownRunner;
}

void ConversionScheduler::startConverter(Job &job)
{
    const Slot &slot = *m_slots[job.slot];
    job.stage = Job::Stage::Converting;
    job.givenAConverter = true;
    // A converter built without the format's coder would take the file for no image at all.
    if (!ConverterCommand::reads(job.facts.format))
        return finishJob(job, FailureKind::Unsupported);
    // Told before the image takes the memory its size says it would.
    if (job.facts.isHeif() && ConverterCommand::exceedsLimits(job.facts.width, job.facts.height))
        return finishJob(job, FailureKind::TooLarge);
    // The converter's HEIF coder drops an alpha plane; libheif's own decoder keeps it, in a
    // lossless copy that the converter then lays onto white.
    job.decoding = job.facts.isHeif() && job.facts.transparent;
    if (job.decoding) {
        runInSlot(job, ConverterCommand::decoderCommandLine(
                           m_plan.programFolder, slot.files.input(), slot.files.decoded(job.id)));
        return;
    }
    runInSlot(job,
              ConverterCommand::forRun(m_plan.programFolder, m_plan.options, slot.files.input(),
                                       slot.files.result(), job.facts.transparent)
                  .commandLine());
}

// False, with the entry failed, when no child could be started.
bool ConversionScheduler::runInSlot(Job &job, const QString &commandLine)
{
    DOSOutputs &runner = runnerOf(job.slot);
    if (!runner.ExecuteCommand(commandLine)) {
        finishJob(job, FailureKind::ConverterDidNotStart);
        return false;
    }
    ChildPriority::lowerBelowThisProcess(runner.processId());
    return true;
}

void ConversionScheduler::finishJob(Job &job, FailureKind failure)
{
    job.stage = Job::Stage::Done;
    job.converted.failure = failure;
    Q_EMIT entryFinished();
}

// True when the converter now runs on what the decoder wrote.
bool ConversionScheduler::decoderEnded(Job &job)
{
    Slot &slot = *m_slots[job.slot];
    slot.leftovers = true;
    job.decoding = false;
    job.usedDecoder = true;
    const DOSOutputs &runner = runnerOf(job.slot);
    const QString decoded = slot.files.producedDecoding(job.id);
    if (!runner.succeeded() || decoded.isEmpty()) {
        job.converted.converterMessage = runner.Outputs().toString();
        finishJob(job, FailureReason::fromConverterOutput(job.converted.converterMessage));
        return false;
    }
    return runInSlot(job, ConverterCommand::forRun(m_plan.programFolder, m_plan.options, decoded,
                                                   slot.files.result(), true)
                              .commandLine());
}

void ConversionScheduler::converterEnded(std::size_t slotIndex)
{
    if (m_aborted || slotIndex >= m_slots.size())
        return;
    Slot &slot = *m_slots[slotIndex];
    Job *job = jobWithId(slot.job);
    if (!job || job->stage != Job::Stage::Converting)
        return;
    if (job->decoding) {
        if (!decoderEnded(*job))
            advance();
        return;
    }
    const DOSOutputs &runner = runnerOf(slotIndex);
    Converted &converted = job->converted;
    job->stage = Job::Stage::Done;
    converted.converterMessage = runner.Outputs().toString();
    converted.result = slot.files.producedResult(&converted.resultBytes);
    slot.leftovers = slot.leftovers || slot.files.isFrame(converted.result);
    const bool whole = runner.succeeded() &&
                       !FailureReason::reportsDamagedSource(converted.converterMessage) &&
                       !converted.result.isEmpty();
    if (!whole) {
        converted.result.clear();
        converted.resultBytes = 0;
        converted.failure = FailureReason::fromConverterOutput(converted.converterMessage);
    }
    // The entry may be committed once converters are given (an entry failing at its start is
    // told at once): what comes after takes nothing from it.
    const qint64 sourceBytes = converted.sourceBytes;
    const quint64 decodedEntry = job->usedDecoder ? job->id : 0;
    // The next converter first: what follows is not on the way from one image to the next.
    advance();
    // Only the result waits for its turn; the work copy of the source is set aside at once. A
    // small one is written over by the slot's next copy; freeing a copy of gigabytes takes the
    // file system a while, so a large one is deleted away from the window.
    if (slot.files.setInputAside() && sourceBytes > largestSpareCopy)
        m_pool.start([spare = slot.files.spare()] { QFile::remove(spare); });
    if (decodedEntry != 0)
        m_pool.start([files = slot.files, decodedEntry] { files.removeDecoded(decodedEntry); });
    Q_EMIT entryFinished();
}
