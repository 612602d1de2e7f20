#include "platform/ProcessTerminator.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_LINUX

// Whether one of the NUL-separated arguments starts with the marker: a path in the scratch
// folder as a whole argument, not the folder's name somewhere inside a shell's script.
bool hasArgumentUnder(const QByteArray &commandLine, const QByteArray &marker)
{
    for (qsizetype at = 0; at < commandLine.size();) {
        if (QByteArrayView(commandLine).sliced(at).startsWith(marker))
            return true;
        const qsizetype end = commandLine.indexOf('\0', at);
        if (end < 0)
            break;
        at = end + 1;
    }
    return false;
}

#endif

} // namespace

void ProcessTerminator::terminateProcessesNaming(const QString &marker)
{
#ifdef Q_OS_LINUX
    if (marker.isEmpty())
        return;
    const QByteArray markerBytes = marker.toLocal8Bit();
    const uid_t me = ::getuid();
    const QString self = QString::number(::getpid());
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &process : processes) {
        bool isNumber = false;
        const pid_t pid = pid_t(process.toLongLong(&isNumber));
        if (!isNumber || pid <= 1 || process == self)
            continue;
        const QString folder = QStringLiteral("/proc/") + process;
        struct stat owner {};
        if (::stat(QFile::encodeName(folder).constData(), &owner) != 0 || owner.st_uid != me)
            continue;
        QFile commandLine(folder + QStringLiteral("/cmdline"));
        if (commandLine.open(QIODevice::ReadOnly) &&
            hasArgumentUnder(commandLine.readAll(), markerBytes))
            ::kill(pid, SIGKILL);
    }
#else
    Q_UNUSED(marker);
#endif
}
