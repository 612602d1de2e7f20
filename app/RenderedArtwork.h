#pragma once

#include <QString>

#include <iterator>

// Where Qt SVG is not available (Windows), the artwork is rendered to PNGs while building, at a
// few device pixel ratios, by a tool that runs on the build machine. The tool and the program
// agree here on which ratios exist and what their files are called.
namespace RenderedArtwork {

// The ratios of Windows' common display scales: 100 %, 125 %, 150 % and 200 %.
inline constexpr qreal ratios[] = {1, 1.25, 1.5, 2};

// The file of a drawing (its resource path without ".svg") rendered at one of the ratios.
inline QString fileName(const QString &drawing, qreal ratio)
{
    return QStringLiteral("%1@%2x.png").arg(drawing, QString::number(ratio));
}

// The ratio of the pictures for a screen of the given ratio: the nearest one rendered that is not
// smaller, so that a picture is only ever scaled down, never blurred up; the largest for denser
// screens.
inline qreal nearestRatio(qreal devicePixelRatio)
{
    for (const qreal ratio : ratios) {
        if (ratio >= devicePixelRatio)
            return ratio;
    }
    return *std::prev(std::end(ratios));
}

inline QString nearestFile(const QString &drawing, qreal devicePixelRatio)
{
    return fileName(drawing, nearestRatio(devicePixelRatio));
}

} // namespace RenderedArtwork
