#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// What the run reports, in codes: the window words them.

// Where a run stands. Idle before the first run and after each one's end steps.
enum class RunState {
    Idle,
    Preparing,   // the scratch folders are being made
    Compressing, // entries are being converted and committed
    Finishing,   // nothing is left to convert; the scratch folders are being removed
};

// Why an entry gave no result.
enum class FailureKind {
    None,
    UnreadableSource,     // gone, not ours to read, or not a file
    ConverterDidNotStart, // the converter could not be started
    Damaged,              // a known format, but not a whole image
    Unsupported,          // a format the converter's policy does not decode
    TooLarge,             // beyond the converter's pixel, memory or disk limits
    NotAnImage,           // the converter found no image in it
    ConversionFailed,     // the converter failed without saying why in words we know
    FolderInTheWay,       // a folder stands where the result goes
    ReadOnlyResult,       // the old result is marked read-only, so it is kept
    ResultNotSaved,       // the system would not take the result; the detail says why
};

// One entry, as the run committed it.
struct EntryOutcome {
    QString source;
    FailureKind failure = FailureKind::None;
    QString detail;           // the system's own words for a ResultNotSaved
    QString converterMessage; // what the converter wrote, as it wrote it
    qint64 sourceBytes = 0;   // sizes of a written result and its source; 0 otherwise
    qint64 resultBytes = 0;

    bool succeeded() const { return failure == FailureKind::None; }
};

// The whole run, as it ends.
struct RunSummary {
    int written = 0;
    qint64 sourceBytes = 0; // of the images whose result was written
    qint64 resultBytes = 0;
    int largerThanSource = 0;
    QList<EntryOutcome> failures; // in the queue's order
    bool stopped = false;         // entries were left queued

    void add(const EntryOutcome &entry)
    {
        if (!entry.succeeded()) {
            failures.append(entry);
            return;
        }
        ++written;
        sourceBytes += entry.sourceBytes;
        resultBytes += entry.resultBytes;
        if (entry.resultBytes > entry.sourceBytes)
            ++largerThanSource;
    }
};

// Something the user must be told: before a run, why it cannot start (the queue stays as it
// is); during one, a fault that is not one entry's alone.
struct RunMessage {
    enum class Kind {
        EmptyQueue,
        ConverterMissing,     // subject: where the converter was looked for
        UnusableSize,         // subject: the size as typed
        UnusableOutputFolder, // subject: the folder
        ConverterDidNotStart, // detail: the runner's own message
        ScratchUnwritable,    // subject: the work folder; detail: the system's words
    };
    Kind kind = Kind::EmptyQueue;
    QString subject;
    QString detail;
};

Q_DECLARE_METATYPE(RunState)
Q_DECLARE_METATYPE(FailureKind)
Q_DECLARE_METATYPE(EntryOutcome)
Q_DECLARE_METATYPE(RunSummary)
Q_DECLARE_METATYPE(RunMessage)
Q_DECLARE_METATYPE(RunMessage::Kind)
