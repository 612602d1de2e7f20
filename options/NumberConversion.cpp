#include "options/NumberConversion.h"

#include <cmath>
#include <limits>

namespace NumberConversion {

namespace {

std::optional<qint16> fitInt16(double integral)
{
    if (!std::isfinite(integral) || integral < std::numeric_limits<qint16>::min() ||
        integral > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(integral);
}

} // namespace

std::optional<double> parse(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<qint16> roundToInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Spelled out rather than left to the floating-point environment's rounding mode.
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    return fitInt16(rounded);
}

std::optional<qint16> floorToInt16(double value)
{
    return fitInt16(std::floor(value));
}

QString writtenForm(double value)
{
    const QChar sign = value < 0 ? u'-' : u' ';
    return sign + QString::number(std::fabs(value), 'g', 7) + u' ';
}

} // namespace NumberConversion
