#include "app/ScreenScale.h"

#include "options/CompressionOptions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <utility>

namespace ScreenScale {

double twipsPerPixel(const QWidget *window, Qt::Orientation orientation)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return CompressionOptions::designTwipsPerPixel;
    const qreal dpi = orientation == Qt::Horizontal ? screen->logicalDotsPerInchX()
                                                    : screen->logicalDotsPerInchY();
    return dpi > 0 ? 1440.0 / dpi : CompressionOptions::designTwipsPerPixel;
}

// Positions stay in pixels, but point sizes grow with the screen's dots per inch; scaling them
// back keeps every text at the pixel size the window was drawn for.
void scaleFonts(const QList<QWidget *> &widgets, double factor)
{
    if (!std::isfinite(factor) || factor <= 0 || factor == 1)
        return;
    // All sizes are read first: a new font on one widget changes what the widgets in it inherit.
    QList<std::pair<QWidget *, QFont>> scaled;
    for (QWidget *widget : widgets) {
        QFont font = widget->font();
        if (font.pointSizeF() <= 0)
            continue; // sized in pixels already
        font.setPointSizeF(font.pointSizeF() * factor);
        scaled.append({widget, font});
    }
    for (const auto &[widget, font] : std::as_const(scaled))
        widget->setFont(font);
}

} // namespace ScreenScale
