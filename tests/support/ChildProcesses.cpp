#include "tests/support/ChildProcesses.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <windows.h>

#include <tlhelp32.h>

#include <optional>
#else
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sched.h>
#endif
#endif

namespace ChildProcesses {

#ifdef Q_OS_WIN

namespace {

// The process's exit code, STILL_ACTIVE while it runs; nothing when it cannot be asked.
std::optional<DWORD> exitCode(qint64 pid)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return std::nullopt;
    DWORD code = 0;
    const bool read = ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    return read ? std::optional<DWORD>(code) : std::nullopt;
}

} // namespace

QList<qint64> running()
{
    QList<qint64> children;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == ::GetCurrentProcessId() &&
            exitCode(entry.th32ProcessID) == STILL_ACTIVE)
            children.append(entry.th32ProcessID);
    }
    ::CloseHandle(snapshot);
    return children;
}

bool isGone(qint64 pid)
{
    return exitCode(pid).value_or(0) != STILL_ACTIVE;
}

int priority(qint64 pid)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return -1;
    const DWORD priorityClass = ::GetPriorityClass(process);
    ::CloseHandle(process);
    return priorityClass ? int(priorityClass) : -1;
}

int priorityBelowThisProcess()
{
    return BELOW_NORMAL_PRIORITY_CLASS;
}

#else

namespace {

// The fields of /proc/<pid>/stat after the command's name: the state first, then the parent's
// id, …; empty when the process is gone.
QList<QByteArray> processStatus(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

} // namespace

QList<qint64> running()
{
    const qint64 self = QCoreApplication::applicationPid();
    QList<qint64> children;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &process : processes) {
        const qint64 pid = process.toLongLong();
        const QList<QByteArray> status = pid > 0 ? processStatus(pid) : QList<QByteArray>();
        if (status.size() > 1 && status[0] != "Z" && status[1].toLongLong() == self)
            children.append(pid);
    }
    return children;
}

bool isGone(qint64 pid)
{
    return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

int priority(qint64 pid)
{
    // Field 19 of the status: the nice value.
    bool read = false;
    const int nice = processStatus(pid).value(16).toInt(&read);
    return read ? nice : -1;
}

int priorityBelowThisProcess()
{
    return std::min(priority(QCoreApplication::applicationPid()) + 5, 19);
}

bool runsOnlyWhenIdle(qint64 pid)
{
#ifdef Q_OS_LINUX
    // Field 41 of the status: the scheduling policy.
    return processStatus(pid).value(38).toInt() == SCHED_IDLE;
#else
    Q_UNUSED(pid);
    return false;
#endif
}

#endif

} // namespace ChildProcesses
