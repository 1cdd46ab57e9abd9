#include "player/PlayerButtonImages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace PlayerButtonImages {
namespace {

constexpr int kPoints = 25;

void drawTriangle(QPainter &p, qreal left, qreal top, qreal width, qreal height, bool pointsRight)
{
    QPainterPath path;
    if (pointsRight) {
        path.moveTo(left, top);
        path.lineTo(left + width, top + height / 2);
        path.lineTo(left, top + height);
    } else {
        path.moveTo(left + width, top);
        path.lineTo(left, top + height / 2);
        path.lineTo(left + width, top + height);
    }
    path.closeSubpath();
    p.drawPath(path);
}

// Draws the picture in a 25 x 25 point square.
void drawPicture(QPainter &p, const QString &name)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (name == kPlay) {
        drawTriangle(p, 6, 3, 16, 19, true);
    } else if (name == kPause) {
        p.drawRoundedRect(QRectF(5, 3, 5.5, 19), 1, 1);
        p.drawRoundedRect(QRectF(14.5, 3, 5.5, 19), 1, 1);
    } else if (name == kPreviousSong) {
        p.drawRect(QRectF(2, 5, 3, 15));
        drawTriangle(p, 5, 5, 10, 15, false);
        drawTriangle(p, 14, 5, 10, 15, false);
    } else if (name == kNextSong) {
        drawTriangle(p, 1, 5, 10, 15, true);
        drawTriangle(p, 10, 5, 10, 15, true);
        p.drawRect(QRectF(20, 5, 3, 15));
    }
}

QPixmap render(const QString &name, int scale)
{
    QPixmap pixmap(kPoints * scale, kPoints * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.scale(scale, scale);
    drawPicture(painter, name);
    painter.end();
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

} // namespace

QIcon icon(const QString &name)
{
    if (name != kPlay && name != kPause && name != kPreviousSong && name != kNextSong)
        return QIcon();
    static QHash<QString, QIcon> cache;
    auto found = cache.find(name);
    if (found == cache.end()) {
        QIcon drawn;
        drawn.addPixmap(render(name, 1));
        drawn.addPixmap(render(name, 2));
        found = cache.insert(name, drawn);
    }
    return found.value();
}

QString accessibleName(const QString &name)
{
    if (name == kPlay)
        return QStringLiteral("Play");
    if (name == kPause)
        return QStringLiteral("Pause");
    if (name == kPreviousSong)
        return QStringLiteral("Previous");
    if (name == kNextSong)
        return QStringLiteral("Next");
    return QString();
}

} // namespace PlayerButtonImages
