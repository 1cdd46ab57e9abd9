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

void ViewController::setTabOrderOf(const QList<QWidget *> &views)
{
    QWidget *previous = nullptr;
    for (QWidget *view : views) {
        // A view that hands its focus on (a web view) takes part as the one
        // it hands it to; one that takes none is no stop.
        while (view && view->focusProxy())
            view = view->focusProxy();
        if (!view || view->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, view);
        previous = view;
    }
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
    const bool wasLoaded = m_viewLoaded;
    if (isVisible() && !size().isEmpty())
        loadViewIfNeeded();
    QWidget::resizeEvent(event);
    if (wasLoaded && !size().isEmpty())
        viewDidLayoutSubviews();
}
