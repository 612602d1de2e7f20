#include "options/KeyboardControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace KeyboardControl {

namespace {

// Follows, for the whole application, whether the user last pressed a key or a pointer button.
class InputWatcher : public QObject
{
public:
    static const InputWatcher *instance()
    {
        static QPointer<InputWatcher> watcher;
        if (!watcher && qApp) {
            watcher = new InputWatcher(qApp);
            qApp->installEventFilter(watcher);
        }
        return watcher;
    }

    bool keyboardLast() const { return m_keyboardLast; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            setKeyboardLast(true);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin:
            setKeyboardLast(false);
            break;
        default:
            break;
        }
        return false;
    }

private:
    using QObject::QObject;

    void setKeyboardLast(bool keyboard)
    {
        if (keyboard == m_keyboardLast)
            return;
        m_keyboardLast = keyboard;
        if (QWidget *focused = QApplication::focusWidget())
            focused->update();
    }

    bool m_keyboardLast = false;
};

} // namespace

bool activates(const QKeyEvent *event)
{
    if (event->isAutoRepeat() || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

bool showsFocusMark(const QWidget *widget)
{
    const InputWatcher *watcher = InputWatcher::instance();
    return widget->hasFocus() && watcher && watcher->keyboardLast();
}

void drawFocusMark(QPainter &painter, const QRectF &around, const QColor &colour)
{
    constexpr qreal radius = 3;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 1, Qt::DotLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Half a pixel in, so that the line covers whole pixels.
    painter.drawRoundedRect(around.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.restore();
}

} // namespace KeyboardControl
