#pragma once

#include "platform/ui/BarButtonItem.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>



// The contents of a navigation bar: a title (or a title view in its place)
// and up to one bar button item on each side. Setting no item removes that
// side's button. The item owns the bar button items it holds.
class NavigationItem : public QObject
{
    Q_OBJECT

public:
    explicit NavigationItem(const QString &title = QString(), QObject *parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString &title);

    QWidget *titleView() const { return m_titleView; }
    void setTitleView(QWidget *view);

    BarButtonItem *leftBarButtonItem() const { return m_left; }
    void setLeftBarButtonItem(BarButtonItem *item);

    BarButtonItem *rightBarButtonItem() const { return m_right; }
    void setRightBarButtonItem(BarButtonItem *item);

Q_SIGNALS:
    void changed();

private:
    void replaceItem(QPointer<BarButtonItem> &slot, BarButtonItem *item);

    QString m_title;
    QPointer<QWidget> m_titleView;
    QPointer<BarButtonItem> m_left;
    QPointer<BarButtonItem> m_right;
};
