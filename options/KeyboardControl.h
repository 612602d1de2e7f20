#pragma once

#include <QColor>
#include <QRectF>

class QKeyEvent;
class QPainter;

// What the window's own picture controls and links share to work from the keyboard: which keys
// press them, and the mark they show while they have the focus.
namespace KeyboardControl {

// Space, Return or Enter without a modifier, and not a key held down repeating.
bool activates(const QKeyEvent *event);

// A thin dotted rounded frame in one of the artwork's own colours: the style's focus frame
// would not match the painted window.
void drawFocusMark(QPainter &painter, const QRectF &around, const QColor &colour);

} // namespace KeyboardControl
