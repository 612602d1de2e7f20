#include "platform/ProcessTerminator.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#endif

#ifdef Q_OS_WIN
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>

#include <memory>
#include <vector>

#include <windows.h>

#include <winternl.h>
#endif

#ifdef Q_OS_WIN
namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Windows paths compare without regard to case and take either separator.
bool samePath(const QString &path, const QString &other)
{
    return QDir::fromNativeSeparators(path).compare(QDir::fromNativeSeparators(other),
                                                    Qt::CaseInsensitive) == 0;
}

// Only our own data\convert.exe is ever ended: another program may have been given the id.
bool isOurConverter(HANDLE process)
{
    std::vector<wchar_t> image(32768);
    DWORD length = DWORD(image.size());
    if (!QueryFullProcessImageNameW(process, 0, image.data(), &length))
        return false;
    return samePath(QString::fromWCharArray(image.data(), int(length)),
                    Platform::converterPath(QCoreApplication::applicationDirPath()));
}

// The process's command line as the system holds it (ProcessCommandLineInformation, since
// Windows 8.1): what it was started with, not what it may since have written over in its memory.
QString commandLineOf(HANDLE process)
{
    constexpr auto processCommandLineInformation = PROCESSINFOCLASS(60);
    ULONG size = 0;
    NtQueryInformationProcess(process, processCommandLineInformation, nullptr, 0, &size);
    if (size < sizeof(UNICODE_STRING))
        return QString();
    // Held as UNICODE_STRINGs so that the header at its start is aligned as one.
    std::vector<UNICODE_STRING> buffer(size / sizeof(UNICODE_STRING) + 1);
    if (NtQueryInformationProcess(process, processCommandLineInformation, buffer.data(),
                                  ULONG(buffer.size() * sizeof(UNICODE_STRING)), &size) < 0)
        return QString();
    const UNICODE_STRING &commandLine = buffer.front();
    return QString::fromWCharArray(commandLine.Buffer, commandLine.Length / sizeof(wchar_t));
}

} // namespace
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
#elif defined(Q_OS_WIN)
    // Ids 0 and 4 are the system's own.
    if (pid <= 4 || pid > qint64(MAXDWORD) || marker.isEmpty())
        return false;
    const Handle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, DWORD(pid)));
    if (!process || !isOurConverter(process.get()))
        return false;
    const QString commandLine = QDir::fromNativeSeparators(commandLineOf(process.get()));
    if (!commandLine.contains(QDir::fromNativeSeparators(marker), Qt::CaseInsensitive))
        return false;
    return TerminateProcess(process.get(), 1);
#else
    Q_UNUSED(pid);
    Q_UNUSED(marker);
    return false;
#endif
}
