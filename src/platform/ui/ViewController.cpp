#include "platform/ui/ViewController.h"

#include "platform/ui/Geometry.h"

ViewController::ViewController(QWidget *parent)
    : QWidget(parent)
    , m_navigationItem(new NavigationItem(QString(), this))
{
    // A screen's root view is white until the screen says otherwise.
    Geometry::setBackgroundColor(this, Qt::white);
}

QPointF ViewController::center() const
{
    return QPointF(width() / 2.0, height() / 2.0);
}

void ViewController::loadViewIfNeeded()
{
    if (m_viewLoaded)
        return;
    m_viewLoaded = true;
    viewDidLoad();
}

void ViewController::showEvent(QShowEvent *event)
{
    // A container may show the screen before it gives it its size; the views
    // are then built at the first size the screen gets.
    if (!size().isEmpty())
        loadViewIfNeeded();
    QWidget::showEvent(event);
}

void ViewController::resizeEvent(QResizeEvent *event)
{
    if (isVisible() && !size().isEmpty())
        loadViewIfNeeded();
    QWidget::resizeEvent(event);
}
