#pragma once

#include <QList>
#include <QtGlobal>

// The processes this test program started, as the system itself lists them: what a run's
// converters are doing can be seen from outside the run, on Unix through /proc and on Windows
// through the system's process list.
namespace ChildProcesses {

// This process's children that still run.
QList<qint64> running();

// Whether the process is gone: ended and, on Unix, reaped too.
bool isGone(qint64 pid);

// The priority the system schedules the process at: its nice value on Unix, its priority class
// on Windows; -1 when it cannot be read.
int priority(qint64 pid);

// The priority of a child lowered one step below this process: five nice steps below on Unix
// (at most 19, the lowest), the below-normal class on Windows.
int priorityBelowThisProcess();

// Whether the system gives the process a core only when nothing else wants it: Linux's idle
// scheduling class; false elsewhere.
bool runsOnlyWhenIdle(qint64 pid);

} // namespace ChildProcesses
