#include "demo/DemoArtwork.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace DemoArtwork {
namespace {

QByteArray toPng(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

QByteArray coverPng(int seed, const QString &title, const QString &subtitle)
{
    constexpr int kSize = 600;
    QImage image(kSize, kSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QRandomGenerator random(quint32(seed) * 40503u + 7u);
    const int hue = int(random.bounded(360));
    QLinearGradient gradient(0, 0, kSize, kSize);
    gradient.setColorAt(0, QColor::fromHsv(hue, 170, 230));
    gradient.setColorAt(1, QColor::fromHsv((hue + 60) % 360, 200, 90));
    painter.fillRect(image.rect(), gradient);

    for (int i = 0; i < 7; ++i) {
        QColor circle = QColor::fromHsv((hue + 30 * i) % 360, 120, 255);
        circle.setAlpha(50);
        painter.setPen(Qt::NoPen);
        painter.setBrush(circle);
        const int radius = 60 + int(random.bounded(160));
        painter.drawEllipse(QPoint(int(random.bounded(kSize)), int(random.bounded(kSize))), radius,
                            radius);
    }

    painter.setPen(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(44);
    painter.setFont(font);
    // Centred, so that the name survives when a view crops the sides.
    painter.drawText(QRect(60, 380, kSize - 120, 120), Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap,
                     title);
    font.setBold(false);
    font.setPixelSize(28);
    painter.setFont(font);
    painter.drawText(QRect(60, 505, kSize - 120, 60), Qt::AlignHCenter | Qt::AlignTop, subtitle);
    painter.end();

    return toPng(image);
}

QByteArray accountBackgroundPng()
{
    QImage image(720, 1280, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, image.height());
    gradient.setColorAt(0, QColor(24, 92, 120));
    gradient.setColorAt(1, QColor(18, 24, 54));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(QColor(255, 255, 255, 40), 3));
    for (int i = 0; i < 24; ++i)
        painter.drawLine(0, 60 * i, image.width(), 60 * i + 240);
    painter.end();
    return toPng(image);
}

QByteArray accountIconPng()
{
    QImage image(80, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(230, 120, 40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(image.rect().adjusted(2, 2, -2, -2));
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(44);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("K"));
    painter.end();
    return toPng(image);
}

} // namespace DemoArtwork
