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

// What `copy` gives for a source larger than it was allowed to copy; nothing is written then.
constexpr qint64 tooLarge = -2;

// The size of the copy made, -1 when it failed, or tooLarge when the source holds more than
// `largest` bytes.
qint64 copy(const QString &source, const QString &target, const std::atomic_bool &cancel,
            qint64 largest = std::numeric_limits<qint64>::max());

} // namespace FileCopy
