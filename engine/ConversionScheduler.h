#pragma once

#include "engine/ImageHeader.h"
#include "engine/RunOptions.h"
#include "engine/RunReport.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

class DOSOutputs;
class QueueModel;

// Takes the queue's first entries through conversion slots: a work copy of each is made away from
// the window, then a converter is given to it. Converters are given in the queue's order, so the
// head is never the entry left waiting; while every converter is busy the next entries are copied
// ahead, so that a converter that ends is followed by the next one at once. A finished entry's
// result waits in its slot until the run has put it in place and releases the head.
//
// Every change that can free a slot or a converter (a copy arriving, a converter ending, the head
// released, a stop) ends in advance(), which gives each free slot and converter its next entry;
// so no entry is ever left waiting while a converter is free.
class ConversionScheduler : public QObject
{
    Q_OBJECT

public:
    struct Plan {
        int converters = 1;
        QString programFolder;
        QString workFolder;
        RunOptions options;
    };

    // One entry's conversion, as it waits to be committed.
    struct Converted {
        QString source;
        QString result; // the converter's file in the slot; empty when it gave none
        qint64 sourceBytes = 0;
        qint64 resultBytes = 0;
        FailureKind failure = FailureKind::None;
        QString converterMessage;
    };

    // The first slot's converter runs in `sharedRunner`; the others get runners of their own.
    ConversionScheduler(QueueModel &queue, DOSOutputs &sharedRunner, QObject *parent = nullptr);
    ~ConversionScheduler() override;

    // Starts on the queue's head.
    void start(const Plan &plan);
    // No further entries are taken, and those not yet given a converter are let go, in the queue
    // still; the ones converting finish.
    void stop();
    // Ends every converter now; nothing more is reported.
    void abort();

    bool headFinished() const;
    // The finished head, until it is released.
    const Converted &head() const;
    // Takes the finished head out of the queue; its slot goes to the next entry.
    void releaseHead();

    bool isEmpty() const { return m_jobs.empty(); }
    // An entry is still being copied or converted.
    bool hasUnfinished() const;
    // Every slot holds an entry: nothing more can start until the head is released.
    bool slotsFull() const { return m_jobs.size() >= m_slots.size(); }

    // Returns once every copy into the work folder has ended, with the copies told to stop first.
    // From any thread but the copies' own.
    void cancelAndWaitForCopies();

Q_SIGNALS:
    // An entry's conversion has ended, with a result or without.
    void entryFinished();
    // No work copy could be written into the work folder (a full or read-only disk): the run
    // cannot go on, so it stops, and the entry stays queued.
    void workCopyFailed(int error);
    void converterFailedToStart(const QString &runnerMessage);

private:
    struct Slot;
    struct WorkCopy;
    // One entry on its way through a slot. Complete here: a deque of it is a member.
    struct Job {
        enum class Stage {
            Copying,
            Deferred, // too large to copy ahead; copied once a converter is free for it
            Ready,    // copied, waiting for a converter
            Converting,
            Done,
        };
        quint64 id = 0;
        std::size_t slot = 0;
        Stage stage = Stage::Copying;
        bool ahead = false; // copied while every converter was busy
        ImageHeader::Facts facts;
        bool decoding = false;    // libheif's decoder runs before the converter
        bool usedDecoder = false; // the converter reads what the decoder wrote
        bool givenAConverter = false;
        Converted converted;
    };

    void advance();
    void takeNextEntries();
    void giveConverters();
    void startCopy(Job &job);
    void copyArrived(quint64 jobId, std::size_t slotIndex, const WorkCopy &copy);
    void startConverter(Job &job);
    bool runInSlot(Job &job, const QString &commandLine);
    void converterEnded(std::size_t slotIndex);
    bool decoderEnded(Job &job);
    void finishJob(Job &job, FailureKind failure);
    DOSOutputs &runnerOf(std::size_t slotIndex);
    Job *jobWithId(quint64 id);
    Job *firstWaitingForAConverter();
    std::size_t unfinished() const;
    std::size_t converting() const;

    QueueModel &m_queue;
    DOSOutputs &m_sharedRunner;
    Plan m_plan;
    QProcessEnvironment m_converterEnvironment; // what the converters see beside the system's
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::deque<Job> m_jobs; // the queue's first entries, in its order
    quint64 m_lastJobId = 0;
    bool m_stopped = false;
    bool m_aborted = false;
    std::shared_ptr<std::atomic_bool> m_cancelCopies;
    // Declared last, so destroyed first: every copy has ended before what it reports to is gone.
    QThreadPool m_pool;
};
