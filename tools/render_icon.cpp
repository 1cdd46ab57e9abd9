// Renders the application icon (SVG) into PNG files of given sizes, for the
// icon theme folders that want bitmaps.
//
//   kavu-render-icon icon.svg 48 out48.png 128 out128.png

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 4 || arguments.size() % 2 != 0) {
        QTextStream(stderr) << "usage: kavu-render-icon icon.svg SIZE OUT.png [SIZE OUT.png ...]\n";
        return 2;
    }
    QSvgRenderer renderer(arguments.at(1));
    if (!renderer.isValid()) {
        QTextStream(stderr) << "kavu-render-icon: cannot read " << arguments.at(1) << "\n";
        return 1;
    }
    for (int i = 2; i + 1 < arguments.size(); i += 2) {
        const int size = arguments.at(i).toInt();
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        if (size <= 0 || !image.save(arguments.at(i + 1), "PNG")) {
            QTextStream(stderr) << "kavu-render-icon: cannot write " << arguments.at(i + 1) << "\n";
            return 1;
        }
    }
    return 0;
}
