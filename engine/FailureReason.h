#pragma once

#include <QString>

// Short reasons, in the user's language, for why an image gave no result.
namespace FailureReason {

QString unreadableSource();     // the source could not be read (gone, no permission, not a file)
QString converterDidNotStart(); // the converter could not be started
// What the converter's own words say went wrong; its exit alone says only that it failed.
QString fromConverterOutput(const QString &output);
QString resultNotSaved(const QString &why);

// A cut-off source: the converter says so, but still writes a half-grey picture and exits with
// 0. Other "Corrupt JPEG data" warnings (stray bytes before a marker) are harmless, and many
// cameras' photos give them.
bool reportsDamagedSource(const QString &converterOutput);

} // namespace FailureReason
