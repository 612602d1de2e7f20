#include "platform/ProcessTerminator.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

bool ProcessTerminator::terminateIfCommandLineContains(qint64 pid, const QString &marker)
{
#ifdef Q_OS_LINUX
    if (pid <= 1 || marker.isEmpty())
        return false;
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!commandLine.open(QIODevice::ReadOnly))
        return false;
    const QByteArray arguments = commandLine.readAll();
    if (!arguments.contains(marker.toLocal8Bit()))
        return false;
    return ::kill(pid_t(pid), SIGKILL) == 0;
#else
    Q_UNUSED(pid);
    Q_UNUSED(marker);
    return false;
#endif
}
