#pragma once

#include "engine/RunOptions.h"
#include "engine/RunReport.h"

#include <QString>

#include <optional>

// What is looked at before a run starts: a converter to run, and choices that would not make every
// image fail. A problem is told now, while the queue is still
// there, rather than as a failure of every entry.
namespace RunPreflight {

// The first problem found, or none. Makes the output folder when the options send results into
// it (one level, as every run does), to see that it can be written.
std::optional<RunMessage> check(const RunOptions &options, const QString &programFolder);

} // namespace RunPreflight
