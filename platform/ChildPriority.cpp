#include "platform/ChildPriority.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
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
    return ::setpriority(PRIO_PROCESS, id_t(pid), own + niceSteps) == 0;
#endif
}

} // namespace ChildPriority
