#include "platform/FileCopy.h"

#include "platform/FileDescriptor.h"
#include "platform/NativePath.h"

#include <QFile>

#include <vector>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileCopy {

namespace {

using Outcome = Result::Outcome;

// Between two looks at `cancel`: long enough to keep the system call overhead small.
constexpr std::size_t blockBytes = 8 << 20;

Result ended(Outcome outcome, int error = 0)
{
    Result result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

#ifdef Q_OS_LINUX

// What a failed write into the target says about the target, not the source.
bool isTargetError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EROFS || error == EFBIG;
}

Result copyByReading(int in, int out, const std::atomic_bool &cancel)
{
    std::vector<char> block(blockBytes);
    Result copied = ended(Outcome::Copied);
    for (;;) {
        if (cancel)
            return ended(Outcome::Cancelled);
        const ssize_t got = ::read(in, block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return ended(Outcome::SourceUnreadable);
        if (got == 0)
            return copied;
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::write(out, block.data() + done, std::size_t(got - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return ended(Outcome::TargetUnwritable, written < 0 ? errno : ENOSPC);
            done += written;
        }
        copied.bytes += got;
    }
}

// A file of ours already at the target is written over: making a new file costs the file system
// more than a small copy does. It is not emptied first but written over from its start and cut
// to length after: ext4 writes a file emptied and rewritten out to the disk as it is closed, and
// frees and trims the blocks it is about to take again. Anything else standing there (a link, a
// file that has other names too, a pipe) is replaced, never written through.
int openTarget(const char *path)
{
    FileDescriptor existing(::open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (existing.isOpen() && ::fstat(existing.get(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_nlink == 1 && info.st_uid == ::geteuid() &&
        ::fcntl(existing.get(), F_SETFL, ::fcntl(existing.get(), F_GETFL) & ~O_NONBLOCK) == 0)
        return existing.release();
    ::unlink(path);
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

Result copyDescriptors(int in, int out, qint64 size, const std::atomic_bool &cancel)
{
    Result copied = ended(Outcome::Copied);
    if (::ioctl(out, FICLONE, in) == 0) {
        copied.bytes = size;
        return copied;
    }
    for (;;) {
        if (cancel)
            return ended(Outcome::Cancelled);
        const ssize_t chunk = ::copy_file_range(in, nullptr, out, nullptr, blockBytes, 0);
        if (chunk > 0) {
            copied.bytes += chunk;
            continue;
        }
        if (chunk == 0)
            return copied;
        if (errno == EINTR)
            continue;
        // Not offered between these two file systems: copy through our own buffer, from where
        // the offered copy stopped.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
            Result rest = copyByReading(in, out, cancel);
            rest.bytes += copied.bytes;
            return rest;
        }
        return isTargetError(errno) ? ended(Outcome::TargetUnwritable, errno)
                                    : ended(Outcome::SourceUnreadable);
    }
}

} // namespace

Result copy(const QString &source, const QString &target, const std::atomic_bool &cancel,
            qint64 largest)
{
    const std::filesystem::path from = NativePath::toFileSystem(source);
    // Not blocking on open: a pipe would wait for a writer that never comes.
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (!in.isOpen() || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return ended(Outcome::SourceUnreadable);
    if (info.st_size > largest)
        return ended(Outcome::TooLarge);
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
    FileDescriptor out(openTarget(NativePath::toFileSystem(target).c_str()));
    if (!out.isOpen())
        return ended(Outcome::TargetUnwritable, errno);
    Result result = copyDescriptors(in.get(), out.get(), qint64(info.st_size), cancel);
    // What an earlier, longer copy left beyond this one goes; the size is what was written, even
    // if the source changed while it was copied.
    if (result.outcome == Outcome::Copied && ::ftruncate(out.get(), result.bytes) != 0)
        return ended(Outcome::TargetUnwritable, errno);
    return result;
}

#else

} // namespace

Result copy(const QString &source, const QString &target, const std::atomic_bool &cancel,
            qint64 largest)
{
    const std::filesystem::path from = NativePath::toFileSystem(source);
    std::error_code error;
    if (!std::filesystem::is_regular_file(from, error))
        return ended(Outcome::SourceUnreadable);
    if (qint64(std::filesystem::file_size(from, error)) > largest)
        return ended(Outcome::TooLarge);
    // Opened through Qt, whose handles no child process inherits. The C library's would be
    // inherited by every converter started while the copy is made, and each would hold the
    // user's image and the work copy open for as long as it ran: the copy could then be neither
    // set aside nor deleted, and the image not renamed by the user.
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return ended(Outcome::SourceUnreadable);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return ended(Outcome::TargetUnwritable);
    std::vector<char> block(blockBytes);
    while (!cancel) {
        const qint64 read = in.read(block.data(), qint64(block.size()));
        if (read < 0)
            return ended(Outcome::SourceUnreadable);
        if (read == 0) {
            Result copied = ended(Outcome::Copied);
            copied.bytes = out.pos();
            return copied;
        }
        if (out.write(block.data(), read) != read)
            return ended(Outcome::TargetUnwritable);
    }
    return ended(Outcome::Cancelled);
}

#endif

} // namespace FileCopy
