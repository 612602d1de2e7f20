#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The numeric conversions the options and their settings file share. A value that is not a
// number, or does not fit a signed 16-bit integer, gives no result instead of wrapping.
namespace NumberConversion {

// The text as a number; blanks around it are allowed.
std::optional<double> parse(const QString &text);

// To the nearest integer, halves to the even neighbour (3500.5 gives 3500, 3501.5 gives 3502).
std::optional<qint16> roundToInt16(double value);

// Truncated downwards (75.9 gives 75, -0.5 gives -1).
std::optional<qint16> floorToInt16(double value);

// The written form of a number in the settings file: a blank (or "-" when negative), the
// shortest decimal form with up to 7 significant digits, and a trailing blank.
QString writtenForm(double value);

} // namespace NumberConversion
