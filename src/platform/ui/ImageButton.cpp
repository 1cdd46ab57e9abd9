#include "platform/ui/ImageButton.h"

#include <QPainter>

ImageButton::ImageButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void ImageButton::setImage(const QString &name, const QIcon &image)
{
    m_imageName = name;
    setIcon(image);
    update();
}

QSize ImageButton::sizeHint() const
{
    return QSize(25, 25);
}

void ImageButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled
        : isDown()                        ? QIcon::Selected
                                          : QIcon::Normal;
    icon().paint(&painter, rect(), Qt::AlignCenter, mode);
    if (hasFocus()) {
        painter.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
