#include "platform/ui/ActivityIndicatorView.h"

#include "platform/ui/Geometry.h"

#include <QPainter>
#include <QtMath>

namespace {
constexpr int kSpokes = 12;
constexpr int kFrameInterval = 80; // ms per step while turning
} // namespace

ActivityIndicatorView::ActivityIndicatorView(Style style, QWidget *parent)
    : QWidget(parent)
    , m_style(style)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(QStringLiteral("In progress"));
    resize(sizeForStyle(style));
    m_timer.setInterval(kFrameInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % kSpokes;
        update();
    });
    setHidden(true);
}

QSize ActivityIndicatorView::sizeForStyle(Style style)
{
    return style == Style::WhiteLarge ? QSize(37, 37) : QSize(20, 20);
}

void ActivityIndicatorView::startAnimating()
{
    m_animating = true;
    m_timer.start();
    setHidden(false);
}

void ActivityIndicatorView::stopAnimating()
{
    m_animating = false;
    m_timer.stop();
    if (m_hidesWhenStopped)
        setHidden(true);
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides)
{
    m_hidesWhenStopped = hides;
    if (hides && !m_animating)
        setHidden(true);
}

void ActivityIndicatorView::setCenter(const QPointF &center)
{
    const QSizeF size = sizeForStyle(m_style);
    Geometry::setFrame(this, QRectF(center.x() - size.width() / 2, center.y() - size.height() / 2,
                                    size.width(), size.height()));
}

void ActivityIndicatorView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor base = m_style == Style::Gray ? QColor(128, 128, 128) : QColor(255, 255, 255);
    const qreal radius = qMin(width(), height()) / 2.0;
    const qreal width = qMax<qreal>(2.0, radius / 5.0);
    painter.translate(rect().center() + QPointF(0.5, 0.5));
    for (int i = 0; i < kSpokes; ++i) {
        QColor color = base;
        const int age = (m_phase - i + kSpokes) % kSpokes;
        color.setAlphaF(1.0 - 0.7 * age / kSpokes);
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 2 * M_PI * i / kSpokes;
        const QPointF direction(qSin(angle), -qCos(angle));
        painter.drawLine(direction * radius * 0.45, direction * (radius - width / 2));
    }
}
