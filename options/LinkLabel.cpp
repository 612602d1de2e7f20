#include "options/LinkLabel.h"

#include "platform/DesignFont.h"

#include <QMouseEvent>
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
    emit mousePressed();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = std::exchange(m_leftPressed, false);
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit clicked();
}

void LinkLabel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseMoved();
}
