#pragma once

#include <QPixmap>
#include <QWidget>

// A transparent picture control over a button drawn in the background picture. At rest it shows
// nothing, so the drawn button shows through; given a picture it draws it at its own size from
// its top-left corner and takes the picture's size, as long as the picture is shown.
class PictureButton : public QWidget
{
    Q_OBJECT

public:
    PictureButton(const QRect &place, QWidget *parent);

    void setPicture(const QPixmap &picture);
    void clearPicture() { setPicture(QPixmap()); }
    const QPixmap &picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }

Q_SIGNALS:
    void mouseMoved(Qt::MouseButtons buttons);
    void mousePressed(Qt::MouseButton button);
    // A press and a release of the left button, both on the control.
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRect m_place;
    QPixmap m_picture;
    bool m_leftPressed = false;
};
