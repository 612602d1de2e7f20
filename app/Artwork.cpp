#include "app/Artwork.h"

#ifdef Q_OS_WIN
#include "app/RenderedArtwork.h"
#else
#include <QPainter>
#include <QSvgRenderer>
#endif

namespace Artwork {

#ifdef Q_OS_WIN

QPixmap picture(const QString &name, qreal devicePixelRatio)
{
    QPixmap pixmap(file(name, devicePixelRatio));
    pixmap.setDevicePixelRatio(RenderedArtwork::nearestRatio(devicePixelRatio));
    return pixmap;
}

QString file(const QString &name, qreal devicePixelRatio)
{
    return QStringLiteral(":/") +
           RenderedArtwork::nearestFile(QStringLiteral("artwork/") + name, devicePixelRatio);
}

QIcon windowIcon()
{
    QIcon icon;
    for (const qreal ratio : RenderedArtwork::ratios)
        icon.addFile(QStringLiteral(":/") +
                     RenderedArtwork::fileName(QStringLiteral("icons/tessaly"), ratio));
    return icon;
}

#else

QPixmap picture(const QString &name, qreal devicePixelRatio)
{
    QSvgRenderer renderer(file(name, devicePixelRatio));
    if (!renderer.isValid())
        return QPixmap();
    const QSize size = renderer.defaultSize();
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QString file(const QString &name, qreal)
{
    return QStringLiteral(":/artwork/%1.svg").arg(name);
}

QIcon windowIcon()
{
    return QIcon(QStringLiteral(":/icons/tessaly.svg"));
}

#endif

} // namespace Artwork
