#pragma once

#include <QAbstractButton>
#include <QIcon>

// A button that shows only a picture (the toolkit's custom button type).
// The picture's name is kept so that what a button shows can be asked for.
class ImageButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ImageButton(QWidget *parent = nullptr);

    void setImage(const QString &name, const QIcon &image);
    QString imageName() const { return m_imageName; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_imageName;
};
