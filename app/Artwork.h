#pragma once

#include <QPixmap>
#include <QString>

// The window's pictures, drawn from the SVG resources at the screen's device pixel ratio so they
// stay crisp on any display.
namespace Artwork {

QPixmap picture(const QString &name, qreal devicePixelRatio);

// The key colour of the background picture; its pixels are left out of the window's shape.
constexpr QRgb keyColour = 0xFFFF00FF;

} // namespace Artwork
