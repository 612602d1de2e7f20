#pragma once

#include <QString>

// Ends the processes that an earlier Tessaly started and could not stop itself (it was killed
// mid-run). They are found in the system's process list, so nothing has to be written down
// while a run starts its converters. A process is only touched when it belongs to this user, is
// not this process, and one of its arguments is a path under the given marker, a folder inside
// our own scratch folder; on Windows, also only when it is this program's own data\convert.exe.
class ProcessTerminator
{
public:
    static void terminateProcessesNaming(const QString &marker);
};
