#include "options/SliderThumb.h"

#include "options/KeyboardControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

SliderThumb::SliderThumb(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    // The keyboard reaches it; a drag does not leave a focus mark behind.
    setFocusPolicy(Qt::TabFocus);
}

void SliderThumb::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void SliderThumb::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_picture.isNull()) {
        painter.drawPixmap(0, 0, m_picture);
    } else {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QColor(90, 90, 90));
        painter.setBrush(isEnabled() ? QColor(200, 200, 200) : QColor(230, 230, 230));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }
    // Inside the thumb, in white: the red thumb is the one surface it has to show on.
    if (KeyboardControl::showsFocusMark(this))
        KeyboardControl::drawFocusMark(painter, QRectF(rect()).adjusted(1, 1, -1, -1), Qt::white);
}

float SliderThumb::twipsX(const QMouseEvent *event) const
{
    return static_cast<float>(event->position().x() * m_twipsPerPixelX);
}

void SliderThumb::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT mouseDown(event->buttons(), twipsX(event));
}

void SliderThumb::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT mouseMoved(event->buttons(), twipsX(event));
}

void SliderThumb::keyPressEvent(QKeyEvent *event)
{
    constexpr int page = 10;
    constexpr int wholeRange = 100;
    int steps = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        steps = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        steps = 1;
        break;
    case Qt::Key_PageDown:
        steps = -page;
        break;
    case Qt::Key_PageUp:
        steps = page;
        break;
    case Qt::Key_Home:
        steps = -wholeRange;
        break;
    case Qt::Key_End:
        steps = wholeRange;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    Q_EMIT keySteps(steps);
}
