#pragma once

#include "platform/WindowGeometry.h"

#include <QPixmap>
#include <QWidget>

// The thumb of the quality slider: a picture dragged along the track drawn in the window's
// background. It reports presses and every pointer move over it (with or without a button),
// with the buttons held and the pointer's x inside the thumb in twips. From the keyboard it asks
// for quality steps: one for an arrow key, ten for Page Up or Page Down, to an end for Home or
// End.
class SliderThumb : public QWidget
{
    Q_OBJECT

public:
    explicit SliderThumb(QWidget *parent = nullptr);

    // Drawn at its own size from the thumb's top-left corner; until one is set a plain thumb
    // is drawn so that the control can be found and dragged.
    void setPicture(const QPixmap &picture);
    QPixmap picture() const { return m_picture; }

    void setTwipsPerPixelX(double twips) { m_twipsPerPixelX = twips; }

Q_SIGNALS:
    void mouseDown(Qt::MouseButtons buttons, float x);
    void mouseMoved(Qt::MouseButtons buttons, float x);
    // Positive steps raise the quality.
    void keySteps(int steps);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    float twipsX(const QMouseEvent *event) const;

    QPixmap m_picture;
    double m_twipsPerPixelX = Geometry::twipsPerPixel;
};
