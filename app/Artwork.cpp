#include "app/Artwork.h"

#include <QPainter>
#include <QSvgRenderer>

namespace Artwork {

QPixmap picture(const QString &name, qreal devicePixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/artwork/%1.svg").arg(name));
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

} // namespace Artwork
