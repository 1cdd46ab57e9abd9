#include "platform/ui/Geometry.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace Geometry {
namespace {
const char *const kFrameProperty = "kavuFrame";
const char *const kBackgroundProperty = "kavuBackgroundColor";
} // namespace

QRect pixelRect(const QRectF &frame)
{
    return QRect(qRound(frame.x()), qRound(frame.y()), qRound(frame.width()),
                 qRound(frame.height()));
}

void setFrame(QWidget *view, const QRectF &newFrame)
{
    view->setProperty(kFrameProperty, newFrame);
    view->setGeometry(pixelRect(newFrame));
}

QRectF frame(const QWidget *view)
{
    const QVariant stored = view->property(kFrameProperty);
    if (stored.isValid()) {
        const QRectF exact = stored.toRectF();
        if (pixelRect(exact) == view->geometry())
            return exact;
    }
    return QRectF(view->geometry());
}

QColor colorWithWhite(qreal white, qreal alpha)
{
    QColor color;
    color.setRgbF(white, white, white, alpha);
    return color;
}

void setBackgroundColor(QWidget *view, const QColor &color)
{
    view->setProperty(kBackgroundProperty, color);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, color);
    view->setPalette(palette);
    // A clear view paints nothing; any other colour fills the view.
    view->setAutoFillBackground(color.alpha() > 0);
}

QColor backgroundColor(const QWidget *view)
{
    const QVariant stored = view->property(kBackgroundProperty);
    return stored.isValid() ? stored.value<QColor>() : QColor(Qt::transparent);
}

void addSubview(QWidget *parent, QWidget *view)
{
    const bool hidden = view->isHidden() && view->testAttribute(Qt::WA_WState_ExplicitShowHide);
    const QRect geometry = view->geometry();
    if (view->parentWidget() != parent)
        view->setParent(parent);
    view->setGeometry(geometry);
    view->raise();
    view->setHidden(hidden);
}

} // namespace Geometry
