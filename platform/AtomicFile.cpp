#include "platform/AtomicFile.h"

#include "platform/FileDescriptor.h"
#include "platform/NativePath.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace AtomicFile {

namespace {

// Fills a file a block at a time; returns false (with errno set) when a block cannot be written.
using Filler = std::function<bool(const std::function<bool(const char *, qsizetype)> &write)>;

} // namespace

QString describeError(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
#endif
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入的权限");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("所在的文件夹不存在");
    case EISDIR:
        return QStringLiteral("该位置已有一个同名的文件夹");
    default:
        return QStringLiteral("无法写入（%1）").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

namespace {

void setReason(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
}

#ifdef Q_OS_UNIX

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool replaceWith(const QString &path, const Filler &fill, bool syncToDisk, QString *reason)
{
    const std::filesystem::path target = NativePath::toFileSystem(path);
    struct stat old {};
    const bool hadFile = ::lstat(target.c_str(), &old) == 0;
    if (hadFile && S_ISDIR(old.st_mode)) {
        setReason(reason, describeError(EISDIR));
        return false;
    }

    // Beside the target, so that the last step is a rename within one file system.
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = target.parent_path() / ("." + target.filename().native() + ".tessaly-" +
                                            std::to_string(QRandomGenerator::global()->generate()));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        setReason(reason, describeError(errno));
        return false;
    }
    FileDescriptor file(fd);
    const bool written = fill(
        [&file](const char *data, qsizetype size) { return writeAll(file.get(), data, size); });
    int error = errno;
    bool ok = written;
    if (ok && hadFile && S_ISREG(old.st_mode))
        ::fchmod(file.get(), old.st_mode & 07777); // the file keeps who may read it
    if (ok && syncToDisk && ::fsync(file.get()) != 0)
        ok = false, error = errno;
    if (!file.close() && ok)
        ok = false, error = errno;
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0)
        ok = false, error = errno;
    if (!ok) {
        ::unlink(temporary.c_str());
        setReason(reason, describeError(error));
    }
    return ok;
}

#else

// Qt's save file is the replacement that Windows offers. Unbuffered, so that a write that fails
// is seen: a failure of its final flush is not reported by commit().
bool replaceWith(const QString &path, const Filler &fill, bool, QString *reason)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setReason(reason, file.errorString());
        return false;
    }
    const bool written =
        fill([&file](const char *data, qsizetype size) { return file.write(data, size) == size; });
    if (!written) {
        const QString error = file.errorString();
        file.cancelWriting();
        setReason(reason, error);
        return false;
    }
    if (!file.commit()) {
        setReason(reason, file.errorString());
        return false;
    }
    return true;
}

#endif

} // namespace

bool replace(const QString &path, const QByteArray &bytes, QString *reason)
{
    return replaceWith(
        path, [&bytes](const auto &write) { return write(bytes.constData(), bytes.size()); }, true,
        reason);
}

bool replaceWithCopyOf(const QString &path, const QString &source, QString *reason)
{
    const QString unreadable = QStringLiteral("无法读取要写入的内容");
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        setReason(reason, unreadable);
        return false;
    }
    bool readFailed = false;
    const bool ok = replaceWith(
        path,
        [&](const auto &write) {
            constexpr qint64 blockBytes = 1 << 20;
            QByteArray block(blockBytes, Qt::Uninitialized);
            for (;;) {
                const qint64 got = in.read(block.data(), blockBytes);
                if (got < 0) {
                    readFailed = true;
                    return false;
                }
                if (got == 0)
                    return true;
                if (!write(block.constData(), got))
                    return false;
            }
        },
        false, reason);
    if (readFailed)
        setReason(reason, unreadable);
    return ok;
}

QString ownLinkTarget(const QString &path)
{
#ifdef Q_OS_UNIX
    const std::filesystem::path link = NativePath::toFileSystem(path);
    struct stat linkInfo {};
    struct stat targetInfo {};
    if (::lstat(link.c_str(), &linkInfo) != 0 || !S_ISLNK(linkInfo.st_mode) ||
        ::stat(link.c_str(), &targetInfo) != 0 || !S_ISREG(targetInfo.st_mode))
        return path;
    const uid_t me = ::geteuid();
    if (linkInfo.st_uid != me || targetInfo.st_uid != me)
        return path;
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(link, error);
    return error ? path : NativePath::fromFileSystem(resolved);
#else
    return path;
#endif
}

} // namespace AtomicFile
