#include "platform/ui/BarButtonItem.h"

BarButtonItem::BarButtonItem(const QString &title, Style style, std::function<void()> action,
                             QObject *parent)
    : QObject(parent)
    , m_title(title)
    , m_style(style)
    , m_action(std::move(action))
{
}

void BarButtonItem::trigger()
{
    if (m_action)
        m_action();
}
