#include "app/WindowDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

WindowDrag::WindowDrag(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    window->installEventFilter(this);
}

bool WindowDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::LeftButton) {
            m_offset = press->globalPosition().toPoint() - m_window->frameGeometry().topLeft();
            m_dragging = true;
        }
        break;
    }
    case QEvent::MouseMove:
        follow(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return false;
}

void WindowDrag::follow(const QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    QWindow *handle = m_window->windowHandle();
    if (handle && handle->startSystemMove()) {
        m_dragging = false;
        return;
    }
    m_window->move(event->globalPosition().toPoint() - m_offset);
}
