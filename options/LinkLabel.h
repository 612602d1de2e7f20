#pragma once

#include <QLabel>

// A text link of the window: 9 point, underlined, dark red, the ordinary arrow pointer. It
// reports the pointer moving over it and presses on it, and a click (a left press and release
// both on the label, or Space or Enter while it has the focus). It turns bold only when told to.
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

    static QColor linkColor(); // RGB(164, 41, 43)

    void setBold(bool bold);
    bool isBold() const;
    // The height its line of text needs, underline included. Font metrics know only the
    // primary face; Chinese text is drawn by a taller fallback face.
    int textLineHeight() const;
    // Clicks the link, as the mouse or the keyboard does.
    void activate();

Q_SIGNALS:
    void clicked();
    void mouseMoved();
    void mousePressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_leftPressed = false;
};
