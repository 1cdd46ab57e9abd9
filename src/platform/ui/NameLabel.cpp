#include "platform/ui/NameLabel.h"

#include "platform/ui/Geometry.h"

#include <QLabel>

QLabel *makeTrackNameLabel(QWidget *parent, const QRectF &frame)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(18);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Geometry::colorWithWhite(1.0, 1.0));
    label->setPalette(palette);
    Geometry::setBackgroundColor(label, Geometry::colorWithWhite(0.0, 0.0));
    Geometry::setFrame(label, frame);
    return label;
}
