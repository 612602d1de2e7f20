#pragma once

#include <QObject>
#include <QPoint>

class QMouseEvent;
class QWidget;

// Moves a borderless window by a left-button drag on its bare background (and on controls that
// pass their presses on): the window system moves it where it can, elsewhere it follows the
// pointer. It watches the window's own mouse events and takes none of them away.
class WindowDrag : public QObject
{
    Q_OBJECT

public:
    explicit WindowDrag(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(const QMouseEvent *event);

    QWidget *m_window;
    QPoint m_offset;
    bool m_dragging = false;
};
