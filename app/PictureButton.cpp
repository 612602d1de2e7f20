#include "app/PictureButton.h"

#include "options/KeyboardControl.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PictureButton::PictureButton(const QRect &place, QWidget *parent)
    : QWidget(parent)
    , m_place(place)
    , m_focusMarkColour(164, 41, 43)
{
    setGeometry(place);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    // The keyboard reaches it; a click gives it no focus.
    setFocusPolicy(Qt::TabFocus);
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

void PictureButton::setAction(QAction *action)
{
    if (m_action)
        m_action->disconnect(this);
    m_action = action;
    if (!action)
        return;
    // Associated with the button, the action's shortcut works only while the button does.
    addAction(action);
    setEnabled(action->isEnabled());
    connect(action, &QAction::enabledChanged, this, &QWidget::setEnabled);
}

void PictureButton::activate()
{
    if (m_action)
        m_action->trigger();
}

void PictureButton::setFocusMarkColour(const QColor &colour)
{
    m_focusMarkColour = colour;
    update();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_picture.isNull())
        painter.drawPixmap(0, 0, m_picture);
    if (KeyboardControl::showsFocusMark(this))
        KeyboardControl::drawFocusMark(painter, QRectF(QPointF(0, 0), m_place.size()),
                                       m_focusMarkColour);
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
        activate();
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    if (!KeyboardControl::activates(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    activate();
}

void PictureButton::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && m_action)
        m_action->setEnabled(isEnabled());
}
