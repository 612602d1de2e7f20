#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The window's pictures, drawn from the SVG resources at the screen's device pixel ratio so they
// stay crisp on any display. Where Qt SVG is not available (Windows) they were rendered while
// building at the common ratios, and the nearest one not smaller than the screen's is shown.
namespace Artwork {

QPixmap picture(const QString &name, qreal devicePixelRatio);

// The resource a style sheet names for the picture, at the screen's device pixel ratio.
QString file(const QString &name, qreal devicePixelRatio);

QIcon windowIcon();

// The key colour of the background picture; its pixels are left out of the window's shape.
constexpr QRgb keyColour = 0xFFFF00FF;

} // namespace Artwork
