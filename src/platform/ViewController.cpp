#include "platform/ViewController.h"

ViewController::ViewController(QWidget *parent)
    : QWidget(parent)
{
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
    loadViewIfNeeded();
    QWidget::showEvent(event);
}
