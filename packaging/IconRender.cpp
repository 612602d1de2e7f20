// Renders SVG drawings to PNGs on the build machine while Tessaly is built:
//
//   tessaly_iconrender ICON.svg SIZE OUTPUT.png
//       one square PNG of the icon, for the icon theme's fixed sizes;
//   tessaly_iconrender --artwork RESOURCES.qrc FOLDER
//       every drawing the resource file lists, at each of the window's device pixel ratios, into
//       FOLDER, with FOLDER/artwork.qrc listing them under the drawings' own paths: the window's
//       pictures for a Qt without SVG support (Windows).

#include "app/RenderedArtwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTextStream>
#include <QXmlStreamReader>

namespace {

QTextStream &errors()
{
    static QTextStream stream(stderr);
    return stream;
}

bool save(const QImage &image, const QString &path)
{
    if (image.save(path, "PNG"))
        return true;
    errors() << "cannot write " << path << '\n';
    return false;
}

bool renderIcon(const QString &drawing, int size, const QString &output)
{
    QSvgRenderer renderer(drawing);
    if (!renderer.isValid()) {
        errors() << "cannot read " << drawing << '\n';
        return false;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return save(image, output);
}

// The drawing at its own size times the ratio, as the window draws it on such a screen.
QImage renderAtRatio(QSvgRenderer &renderer, qreal ratio)
{
    const QSize size = renderer.defaultSize();
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

const QLatin1String svgSuffix(".svg");

// The SVG files a resource file lists, relative to its folder.
QStringList drawingsListed(const QString &resources)
{
    QFile file(resources);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList drawings;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("file")) {
            const QString path = reader.readElementText();
            if (path.endsWith(svgSuffix))
                drawings.append(path);
        }
    }
    return reader.hasError() ? QStringList() : drawings;
}

bool renderArtwork(const QString &resources, const QString &folder)
{
    const QStringList drawings = drawingsListed(resources);
    if (drawings.isEmpty()) {
        errors() << "no drawings listed in " << resources << '\n';
        return false;
    }
    const QDir source = QFileInfo(resources).dir();
    const QDir target(folder);
    QSaveFile listing(target.filePath(QStringLiteral("artwork.qrc")));
    if (!target.mkpath(QStringLiteral(".")) || !listing.open(QIODevice::WriteOnly)) {
        errors() << "cannot write " << listing.fileName() << '\n';
        return false;
    }
    QTextStream qrc(&listing);
    qrc << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString &drawing : drawings) {
        QSvgRenderer renderer(source.filePath(drawing));
        if (!renderer.isValid()) {
            errors() << "cannot read " << source.filePath(drawing) << '\n';
            return false;
        }
        const QString name = drawing.chopped(svgSuffix.size());
        for (const qreal ratio : RenderedArtwork::ratios) {
            const QString picture = RenderedArtwork::fileName(name, ratio);
            if (!target.mkpath(QFileInfo(picture).path()) ||
                !save(renderAtRatio(renderer, ratio), target.filePath(picture)))
                return false;
            qrc << "    <file>" << picture << "</file>\n";
        }
    }
    qrc << "</qresource>\n</RCC>\n";
    qrc.flush();
    return listing.commit();
}

} // namespace

int main(int argc, char *argv[])
{
    // The drawings' text needs fonts, hence a GUI application, but never a display: a build
    // machine may have none.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--artwork"))
        return renderArtwork(arguments.at(2), arguments.at(3)) ? 0 : 1;
    bool sizeOk = false;
    const int size = arguments.value(2).toInt(&sizeOk);
    if (arguments.size() != 4 || !sizeOk || size <= 0) {
        errors() << "usage: tessaly_iconrender ICON.svg SIZE OUTPUT.png\n"
                    "       tessaly_iconrender --artwork RESOURCES.qrc FOLDER\n";
        return 2;
    }
    return renderIcon(arguments.at(1), size, arguments.at(3)) ? 0 : 1;
}
