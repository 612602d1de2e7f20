#pragma once

#include <QString>

#include <atomic>
#include <limits>

// Copies a user's file into our work folder from any thread. A large source (a scanner's TIFF of
// gigabytes, a file on a slow network folder) takes as long as it takes, so the copy runs away
// from the window and looks at `cancel` between blocks: a window that closes does not wait for
// it. Where the file system can share the data (a reflink), nothing is copied at all. Only
// regular files are read: opening a pipe or a device could block for ever.
namespace FileCopy {

struct Result {
    enum class Outcome {
        Copied,
        SourceUnreadable, // gone, not ours to read, or not a regular file
        TooLarge,         // the source holds more than it was allowed to copy; nothing written
        TargetUnwritable, // the copy could not be written (a full or read-only disk): `error`
        Cancelled,
    };
    Outcome outcome = Outcome::SourceUnreadable;
    qint64 bytes = 0; // the copy's size, when it was made
    int error = 0;    // the system's error number for a target that could not be written
};

// Copies `source` to `target`; what a failed copy leaves at the target is the caller's to remove.
Result copy(const QString &source, const QString &target, const std::atomic_bool &cancel,
            qint64 largest = std::numeric_limits<qint64>::max());

} // namespace FileCopy
