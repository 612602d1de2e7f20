#include "options/SliderThumb.h"

#include <QMouseEvent>
#include <QPainter>

SliderThumb::SliderThumb(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
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
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(90, 90, 90));
    painter.setBrush(isEnabled() ? QColor(200, 200, 200) : QColor(230, 230, 230));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
}

float SliderThumb::twipsX(const QMouseEvent *event) const
{
    return static_cast<float>(event->position().x() * m_twipsPerPixelX);
}

void SliderThumb::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseDown(event->buttons(), twipsX(event));
}

void SliderThumb::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseMoved(event->buttons(), twipsX(event));
}
