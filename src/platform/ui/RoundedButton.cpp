#include "platform/ui/RoundedButton.h"

#include <QPainter>
#include <QStyleOptionButton>

RoundedButton::RoundedButton(const QString &title, QWidget *parent)
    : QPushButton(title, parent)
{
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    QPalette palette = this->palette();
    palette.setColor(QPalette::ButtonText, QColor(0, 122, 255));
    setPalette(palette);
}

void RoundedButton::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void RoundedButton::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void RoundedButton::setTitle(const QString &title)
{
    setText(title);
    setAccessibleName(title);
}

void RoundedButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = qMin(m_cornerRadius, qMin(area.width(), area.height()) / 2);
    QColor fill = m_backgroundColor;
    if (isDown())
        fill = fill.alpha() > 0 ? fill.darker(120) : QColor(0, 0, 0, 30);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(area, radius, radius);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area, radius, radius);
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::ButtonText));
    painter.drawText(rect(), Qt::AlignCenter, text());
}
