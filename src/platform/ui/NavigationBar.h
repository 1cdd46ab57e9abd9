#pragma once

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QList>
#include <QPointer>
#include <QWidget>

class BarButtonItem;
class NavigationItem;

// A bar at the top of a screen that shows its top navigation item: the title
// (or title view) in the middle and the item's bar buttons on the left and
// right. Buttons are real push buttons named after their titles.
class NavigationBar : public QWidget
{
    Q_OBJECT

public:
    explicit NavigationBar(QWidget *parent = nullptr);

    // The bar owns the items it is given; items it no longer holds go away.
    void setItems(const QList<NavigationItem *> &items);
    QList<NavigationItem *> items() const;
    NavigationItem *topItem() const;

    void setTintColor(const QColor &color);
    QColor tintColor() const { return m_tintColor; }

    // The widgets that currently show the top item (null when absent).
    QPushButton *leftButton() const { return m_leftButton; }
    QPushButton *rightButton() const { return m_rightButton; }
    QLabel *titleLabel() const { return m_titleLabel; }

Q_SIGNALS:
    // A button came or went (for the screen's tab order).
    void buttonsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void rebuild();
    void layoutContents();
    // Shows the item in the button slot; a button with the same title stays
    // and acts for the new item, so that a press is never lost to a rebuild.
    void showItem(QPointer<QPushButton> &button, QPointer<BarButtonItem> &shown,
                  BarButtonItem *item);

    QList<QPointer<NavigationItem>> m_items;
    QColor m_tintColor;
    QPointer<QPushButton> m_leftButton;
    QPointer<QPushButton> m_rightButton;
    QPointer<BarButtonItem> m_leftItem;
    QPointer<BarButtonItem> m_rightItem;
    QLabel *m_titleLabel = nullptr;
    QPointer<QWidget> m_titleView;
};
