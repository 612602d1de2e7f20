#include "platform/ProcessTerminator.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include "platform/Platform.h"

#include <QCoreApplication>

#include <memory>
#include <vector>

#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>
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

void terminateOnLinux(const QString &marker)
{
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
}

#endif

#ifdef Q_OS_WIN

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Windows paths compare without regard to case and take either separator.
QString comparable(const QString &path)
{
    return QDir::fromNativeSeparators(path).toCaseFolded();
}

// Only our own data\convert.exe is ever ended: another program may run from the same folder.
bool isOurConverter(HANDLE process)
{
    std::vector<wchar_t> image(32768);
    DWORD length = DWORD(image.size());
    if (!QueryFullProcessImageNameW(process, 0, image.data(), &length))
        return false;
    return comparable(QString::fromWCharArray(image.data(), int(length))) ==
           comparable(Platform::converterPath(QCoreApplication::applicationDirPath()));
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

void terminateOnWindows(const QString &marker)
{
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE)
        return;
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        // Ids 0 and 4 are the system's own.
        if (entry.th32ProcessID <= 4 || entry.th32ProcessID == self)
            continue;
        // Another user's process cannot be opened with these rights, so it is never touched.
        const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                         FALSE, entry.th32ProcessID));
        if (!process || !isOurConverter(process.get()))
            continue;
        if (comparable(commandLineOf(process.get())).contains(comparable(marker)))
            TerminateProcess(process.get(), 1);
    }
}

#endif

} // namespace

void ProcessTerminator::terminateProcessesNaming(const QString &marker)
{
    if (marker.isEmpty())
        return;
#if defined(Q_OS_LINUX)
    terminateOnLinux(marker);
#elif defined(Q_OS_WIN)
    terminateOnWindows(marker);
#endif
}
