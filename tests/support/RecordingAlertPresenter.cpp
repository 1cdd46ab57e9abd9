#include "RecordingAlertPresenter.h"

void RecordingAlertPresenter::present(AlertView *alert)
{
    alert->setParent(this);
    m_alerts.append(alert);
}

QList<AlertView *> RecordingAlertPresenter::alerts() const
{
    QList<AlertView *> result;
    for (const auto &alert : m_alerts)
        result.append(alert.data());
    return result;
}

AlertView *RecordingAlertPresenter::last() const
{
    return m_alerts.isEmpty() ? nullptr : m_alerts.last().data();
}

void RecordingAlertPresenter::clear()
{
    for (const auto &alert : std::as_const(m_alerts))
        delete alert.data();
    m_alerts.clear();
}
