#pragma once

#include <QList>
#include <Qt>

class QWidget;

// The window is laid out in pixels of a 96 dots-per-inch design; what the screen it is on makes of
// that.
namespace ScreenScale {

// The screen's twips (1440 an inch) per logical pixel in one direction: 15 at the design's 96.
double twipsPerPixel(const QWidget *window, Qt::Orientation orientation);

// Multiplies the widgets' point sizes by the factor; widgets sized in pixels keep theirs.
void scaleFonts(const QList<QWidget *> &widgets, double factor);

} // namespace ScreenScale
