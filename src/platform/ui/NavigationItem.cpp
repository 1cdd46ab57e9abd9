#include "platform/ui/NavigationItem.h"

#include "platform/ui/BarButtonItem.h"

NavigationItem::NavigationItem(const QString &title, QObject *parent)
    : QObject(parent)
    , m_title(title)
{
}

void NavigationItem::setTitle(const QString &title)
{
    m_title = title;
    Q_EMIT changed();
}

void NavigationItem::setTitleView(QWidget *view)
{
    m_titleView = view;
    Q_EMIT changed();
}

void NavigationItem::setLeftBarButtonItem(BarButtonItem *item)
{
    replaceItem(m_left, item);
}

void NavigationItem::setRightBarButtonItem(BarButtonItem *item)
{
    replaceItem(m_right, item);
}

void NavigationItem::replaceItem(QPointer<BarButtonItem> &slot, BarButtonItem *item)
{
    if (slot == item)
        return;
    BarButtonItem *previous = slot;
    slot = item;
    if (item)
        item->setParent(this);
    if (previous && previous != m_left && previous != m_right && previous->parent() == this)
        previous->deleteLater();
    Q_EMIT changed();
}
