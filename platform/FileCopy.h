#pragma once

#include <QString>

#include <atomic>

// Copies a user's file into our work folder from any thread. A large source (a scanner's TIFF of
// gigabytes, a file on a slow network folder) takes as long as it takes, so the copy runs away
// from the window and looks at `cancel` between blocks: a window that closes does not wait for
// it. Where the file system can share the data (a reflink), nothing is copied at all. Only
// regular files are read: opening a pipe or a device could block for ever.
namespace FileCopy {

// The size of the copy made, or -1 when it failed.
qint64 copy(const QString &source, const QString &target, const std::atomic_bool &cancel);

} // namespace FileCopy
