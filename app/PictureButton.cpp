#include "app/PictureButton.h"

#include <QMouseEvent>
#include <QPainter>

PictureButton::PictureButton(const QRect &place, QWidget *parent)
    : QWidget(parent)
    , m_place(place)
{
    setGeometry(place);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
}

void PictureButton::setPicture(const QPixmap &picture)
{
    if (picture.cacheKey() == m_picture.cacheKey())
        return;
    m_picture = picture;
    const QSize size =
        m_picture.isNull() ? m_place.size() : m_picture.deviceIndependentSize().toSize();
    if (size != this->size())
        resize(size);
    update();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void PictureButton::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT mouseMoved(event->buttons());
}

void PictureButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    Q_EMIT mousePressed(event->button());
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_leftPressed)
        return;
    m_leftPressed = false;
    if (rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}
