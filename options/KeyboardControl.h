#pragma once

#include <QColor>
#include <QRectF>

class QKeyEvent;
class QPainter;
class QWidget;

// What the window's own picture controls and links share to work from the keyboard: which keys
// press them, and the mark they show while they have the focus.
namespace KeyboardControl {

// Space, Return or Enter without a modifier, and not a key held down repeating.
bool activates(const QKeyEvent *event);

// Whether the widget shows its focus mark: it has the focus, and the user's last input was on the
// keyboard. Focus that came with a click, or that moved on because the focused control was locked
// for a run, shows none until a key is pressed.
bool showsFocusMark(const QWidget *widget);

// A thin dotted rounded frame in one of the artwork's own colours: the style's focus frame
// would not match the painted window.
void drawFocusMark(QPainter &painter, const QRectF &around, const QColor &colour);

} // namespace KeyboardControl
