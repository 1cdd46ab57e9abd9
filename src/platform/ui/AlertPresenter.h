#pragma once

#include "platform/ui/AlertView.h"

#include <QList>
#include <QPointer>

// Shows alerts, taking ownership of each. Every presenter keeps the same
// rules: an alert with the title and message of one still open is not
// shown twice, and a page's alert is refused while another page's alert is
// open, so that no page can bury the window in dialogs.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;

    // Each returns whether the alert shows; one that does not is deleted.
    bool show(AlertView *alert);
    bool showFromPage(AlertView *alert);

protected:
    virtual void present(AlertView *alert) = 0;

private:
    static bool isOpen(const QPointer<AlertView> &alert) { return alert && !alert->isDismissed(); }

    QList<QPointer<AlertView>> m_open;
    QPointer<AlertView> m_pageAlert;
    bool m_pageRefusalLogged = false;
};
