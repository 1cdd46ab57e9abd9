#pragma once

#include <QImage>
#include <QWidget>

// Shows an image scaled into the view by its content mode.
class ImageView : public QWidget
{
    Q_OBJECT

public:
    enum class ContentMode { ScaleToFill, ScaleAspectFit, ScaleAspectFill };

    explicit ImageView(QWidget *parent = nullptr);

    QImage image() const { return m_image; }
    bool hasImage() const { return !m_image.isNull(); }
    void setImage(const QImage &image);

    ContentMode contentMode() const { return m_contentMode; }
    void setContentMode(ContentMode mode);

    // Where the image is drawn inside a view of the given size (may extend
    // past the view for aspect fill).
    static QRectF imageRect(const QSizeF &imageSize, const QSizeF &viewSize, ContentMode mode);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    ContentMode m_contentMode = ContentMode::ScaleToFill;
};
