#include "demo/DemoArtwork.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace DemoArtwork {

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

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace DemoArtwork
