#pragma once

#include "engine/RunReport.h"

#include <QString>

// What an entry's failure was, read from the converter's own words.
namespace FailureReason {

// What the converter's words say went wrong; its exit alone says only that it failed. Phrases are
// matched as whole words, so that one message never reads as another ("cannot allocate" holds
// the letters of "not a").
FailureKind fromConverterOutput(const QString &output);

// A cut-off source: the converter says so, but still writes a half-grey picture and exits with
// 0. Other "Corrupt JPEG data" warnings (stray bytes before a marker) are harmless, and many
// cameras' photos give them.
bool reportsDamagedSource(const QString &converterOutput);

} // namespace FailureReason
