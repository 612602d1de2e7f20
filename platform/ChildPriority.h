#pragma once

#include <QtGlobal>

// Converters run a step below the window: with every core converting, the window still gets
// its share of the processor and answers the user at once.
namespace ChildPriority {

// Lowers the started child process `pid` below this process (Linux's idle class, five nice steps
// where there is none, the below-normal class on Windows); false when the system refused.
bool lowerBelowThisProcess(qint64 pid);

} // namespace ChildPriority
