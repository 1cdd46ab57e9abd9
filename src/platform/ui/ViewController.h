#pragma once

#include "platform/ui/NavigationItem.h"

#include <QPointF>
#include <QRect>
#include <QWidget>

// Base of every screen. The widget itself is the screen's root view. The load
// step (viewDidLoad) runs once: when the screen is first shown with a size,
// or earlier when a caller asks for it with loadViewIfNeeded(). Views built
// there use the root view's bounds at that moment. When the bounds change
// afterwards (a window resized or maximised), viewDidLayoutSubviews() lays
// the views out again for the new bounds; the load step does not run again.
class ViewController : public QWidget
{
    Q_OBJECT

public:
    explicit ViewController(QWidget *parent = nullptr);

    QWidget *view() { return this; }
    QRect bounds() const { return rect(); }
    QPointF center() const;

    bool isViewLoaded() const { return m_viewLoaded; }
    void loadViewIfNeeded();

    virtual void didReceiveMemoryWarning() {}

    // The screen's own navigation item. A container may show it; the tab bar
    // of this application does not.
    NavigationItem *navigationItem() const { return m_navigationItem; }

    // Makes Tab go through the given views in this order (absent ones are
    // passed over; hidden ones Tab passes over by itself).
    static void setTabOrderOf(const QList<QWidget *> &views);

protected:
    virtual void viewDidLoad() {}
    // The root view has new bounds; the screen gives its views the frames
    // its layout computes for them. Views with an autoresizing mask have
    // followed already.
    virtual void viewDidLayoutSubviews() {}
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_viewLoaded = false;
    NavigationItem *m_navigationItem;
};
