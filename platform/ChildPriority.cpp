#include "platform/ChildPriority.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
#endif

namespace ChildPriority {

bool lowerBelowThisProcess(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE process = ::OpenProcess(PROCESS_SET_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return false;
    const bool lowered = ::SetPriorityClass(process, BELOW_NORMAL_PRIORITY_CLASS) != 0;
    ::CloseHandle(process);
    return lowered;
#else
    constexpr int niceSteps = 5;
    // -1 is a valid nice value as well as the error return.
    errno = 0;
    const int own = ::getpriority(PRIO_PROCESS, 0);
    if (own == -1 && errno != 0)
        return false;
    // The system keeps a value past the lowest priority at the lowest.
    const bool niced = ::setpriority(PRIO_PROCESS, id_t(pid), own + niceSteps) == 0;
#ifdef SCHED_IDLE
    // A nice value only shares the processor out by weight: since Linux 6.6 a window woken while
    // converters use every core waits for one of them to use up its slice, so converters ending
    // are seen late and the next ones start late. A converter that runs only when nothing else
    // wants the core gives it up the moment the window wakes, as the below-normal class does on
    // Windows.
    const sched_param unused{};
    return ::sched_setscheduler(pid_t(pid), SCHED_IDLE, &unused) == 0 || niced;
#else
    return niced;
#endif
#endif
}

} // namespace ChildPriority
