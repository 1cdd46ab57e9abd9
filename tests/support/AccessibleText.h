#pragma once

#include <QAccessible>
#include <QString>
#include <QWidget>

// What a screen reader gets of a widget: the name, description and value
// that Qt's accessibility interface reports (and the AT-SPI bridge
// publishes), in one line.
inline QString accessibleText(QWidget *widget)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    if (!accessible)
        return QString();
    return accessible->text(QAccessible::Name) + QLatin1Char('|') + accessible->text(QAccessible::Description)
        + QLatin1Char('|') + accessible->text(QAccessible::Value);
}
