#pragma once

#include <QString>

// Ends a process that an earlier Tessaly started and could not stop itself (it was killed
// mid-run). A process id alone may have been reused by an unrelated program, so the process is
// only touched when its command line still names the given marker, a path inside our own
// scratch folder; on Windows, also only when it is this program's own data\convert.exe.
class ProcessTerminator
{
public:
    static bool terminateIfCommandLineContains(qint64 pid, const QString &marker);
};
