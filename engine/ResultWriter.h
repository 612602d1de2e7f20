#pragma once

#include "engine/RunOptions.h"
#include "engine/RunReport.h"

#include <QString>

// Puts a converter's result where the user asked for it, under the image's base name followed by
// "_已压缩.jpg". An old result is replaced only by a whole new one, in one step; what stands at
// the name is never written through: a link is replaced, not followed, and a folder, a
// read-only old result or anything else that is no file of ours is left as it is.
namespace ResultWriter {

// Beside the image (the queue's text up to and with its last separator), or in the output
// folder.
QString outputPathFor(const QString &entry, const RunOptions &options);

struct Placed {
    FailureKind failure = FailureKind::None;
    QString detail; // the system's words, for a ResultNotSaved
};

// Moves `result` to `outputPath`.
Placed place(const QString &result, const QString &outputPath);

} // namespace ResultWriter
