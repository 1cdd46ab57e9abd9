#include "platform/ui/ImageView.h"

#include <QPainter>

ImageView::ImageView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void ImageView::setContentMode(ContentMode mode)
{
    m_contentMode = mode;
    update();
}

QRectF ImageView::imageRect(const QSizeF &imageSize, const QSizeF &viewSize, ContentMode mode)
{
    if (imageSize.isEmpty() || viewSize.isEmpty() || mode == ContentMode::ScaleToFill)
        return QRectF(QPointF(0, 0), viewSize);
    const QSizeF scaled = imageSize.scaled(
        viewSize, mode == ContentMode::ScaleAspectFit ? Qt::KeepAspectRatio
                                                      : Qt::KeepAspectRatioByExpanding);
    return QRectF(QPointF((viewSize.width() - scaled.width()) / 2,
                          (viewSize.height() - scaled.height()) / 2),
                  scaled);
}

void ImageView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(rect());
    painter.drawImage(imageRect(m_image.size(), size(), m_contentMode), m_image);
}
