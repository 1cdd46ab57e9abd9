#pragma once

#include "platform/ui/AlertPresenter.h"
#include "platform/ui/AlertView.h"

#include <QList>
#include <QObject>
#include <QPointer>

// Keeps every alert it is asked to show; a test "presses" a button with
// alert->dismissWithClickedButtonIndex().
class RecordingAlertPresenter : public QObject, public AlertPresenter
{
    Q_OBJECT

public:
    QList<AlertView *> alerts() const;
    AlertView *last() const;
    int count() const { return int(m_alerts.size()); }
    void clear();

protected:
    void present(AlertView *alert) override;

private:
    QList<QPointer<AlertView>> m_alerts;
};
