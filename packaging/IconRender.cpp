// Renders an SVG icon into a square PNG of the given size, for the icon theme's fixed sizes.
// Runs on the build machine while Tessaly is built.

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTextStream errors(stderr);
    bool sizeOk = false;
    const int size = arguments.value(2).toInt(&sizeOk);
    if (arguments.size() != 4 || !sizeOk || size <= 0) {
        errors << "usage: tessaly_iconrender ICON.svg SIZE OUTPUT.png\n";
        return 2;
    }
    QSvgRenderer renderer(arguments.at(1));
    if (!renderer.isValid()) {
        errors << "cannot read " << arguments.at(1) << '\n';
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(arguments.at(3), "PNG")) {
        errors << "cannot write " << arguments.at(3) << '\n';
        return 1;
    }
    return 0;
}
