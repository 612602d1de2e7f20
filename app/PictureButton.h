#pragma once

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QAction;

// A transparent picture control over a button drawn in the background picture. At rest it shows
// nothing, so the drawn button shows through; given a picture it draws it at its own size from
// its top-left corner and takes the picture's size, as long as the picture is shown.
//
// Its command is a QAction: a click, Space or Enter while it has the focus, and the action's
// shortcut all trigger it. Button and action are enabled together, whichever of them is
// switched, so a button locked for a run locks its shortcut as well.
class PictureButton : public QWidget
{
    Q_OBJECT

public:
    PictureButton(const QRect &place, QWidget *parent);

    void setPicture(const QPixmap &picture);
    void clearPicture() { setPicture(QPixmap()); }
    const QPixmap &picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }

    void setAction(QAction *action);
    QAction *action() const { return m_action; }
    // Triggers the action, as a click does.
    void activate();

    // The focus mark's colour: one that shows on the artwork under the button.
    void setFocusMarkColour(const QColor &colour);

Q_SIGNALS:
    void mouseMoved(Qt::MouseButtons buttons);
    void mousePressed(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRect m_place;
    QPixmap m_picture;
    QPointer<QAction> m_action;
    QColor m_focusMarkColour;
    bool m_leftPressed = false;
};
