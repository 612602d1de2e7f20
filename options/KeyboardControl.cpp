#include "options/KeyboardControl.h"

#include <QKeyEvent>
#include <QPainter>

namespace KeyboardControl {

bool activates(const QKeyEvent *event)
{
    if (event->isAutoRepeat() || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

void drawFocusMark(QPainter &painter, const QRectF &around, const QColor &colour)
{
    constexpr qreal radius = 3;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 1, Qt::DotLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Half a pixel in, so that the line covers whole pixels.
    painter.drawRoundedRect(around.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.restore();
}

} // namespace KeyboardControl
