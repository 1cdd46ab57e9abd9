#include "platform/ui/AlertPresenter.h"

#include "platform/system/Log.h"

bool AlertPresenter::show(AlertView *alert)
{
    m_open.removeIf([](const QPointer<AlertView> &open) { return !isOpen(open); });
    for (const QPointer<AlertView> &open : std::as_const(m_open)) {
        if (open->title() == alert->title() && open->message() == alert->message()) {
            delete alert;
            return false;
        }
    }
    m_open.append(alert);
    present(alert);
    return true;
}

bool AlertPresenter::showFromPage(AlertView *alert)
{
    if (isOpen(m_pageAlert)) {
        // One line for the first refusal while that alert is open.
        if (!m_pageRefusalLogged)
            systemLog(QStringLiteral("Alert link dropped: the page's previous alert is still open"));
        m_pageRefusalLogged = true;
        delete alert;
        return false;
    }
    m_pageRefusalLogged = false;
    QPointer<AlertView> guard(alert);
    const bool shown = show(alert);
    m_pageAlert = shown ? guard : nullptr;
    return shown;
}
