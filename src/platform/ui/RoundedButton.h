#pragma once

#include <QColor>
#include <QPushButton>

// A text button (the toolkit's system button) that may have a background
// colour and rounded corners. A radius larger than half the button's
// height draws the ends as half circles.
class RoundedButton : public QPushButton
{
    Q_OBJECT

public:
    explicit RoundedButton(const QString &title, QWidget *parent = nullptr);

    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    void setTitle(const QString &title);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_cornerRadius = 0;
    QColor m_backgroundColor = Qt::transparent;
};
