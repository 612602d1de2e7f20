#include "options/LinkLabel.h"

#include "options/KeyboardControl.h"
#include "platform/DesignFont.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QtMath>

#include <utility>

LinkLabel::LinkLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    QFont font = designFont(9);
    font.setUnderline(true);
    setFont(font);

    QPalette linkPalette = palette();
    linkPalette.setColor(QPalette::WindowText, linkColor());
    // Faded while a run holds the options, like the drop-downs beside it.
    linkPalette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(212, 160, 161));
    setPalette(linkPalette);

    setCursor(Qt::ArrowCursor);
    setMouseTracking(true);
    // The keyboard reaches it; a click does not leave a focus mark behind.
    setFocusPolicy(Qt::TabFocus);
}

QColor LinkLabel::linkColor()
{
    return QColor(164, 41, 43);
}

void LinkLabel::setBold(bool bold)
{
    if (font().bold() == bold)
        return;
    QFont changed = font();
    changed.setBold(bold);
    setFont(changed);
}

bool LinkLabel::isBold() const
{
    return font().bold();
}

int LinkLabel::textLineHeight() const
{
    QTextLayout layout(text(), font());
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return line.isValid() ? qCeil(line.height()) : fontMetrics().height();
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    event->accept();
    Q_EMIT mousePressed();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = std::exchange(m_leftPressed, false);
    if (wasPressed && rect().contains(event->position().toPoint()))
        activate();
}

void LinkLabel::activate()
{
    Q_EMIT clicked();
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (!KeyboardControl::activates(event)) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    activate();
}

void LinkLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!KeyboardControl::showsFocusMark(this))
        return;
    // Around the text, not the whole label: the output folder's label is wider than its text.
    const QRect textPlace =
        style()->itemTextRect(fontMetrics(), contentsRect(), int(alignment()), true, text());
    QPainter painter(this);
    KeyboardControl::drawFocusMark(
        painter, QRectF(textPlace.adjusted(-2, 0, 2, 0)).intersected(rect()), linkColor());
}

void LinkLabel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT mouseMoved();
}
