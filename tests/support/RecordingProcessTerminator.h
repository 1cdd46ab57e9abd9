#pragma once

#include "platform/system/ProcessTerminator.h"

#include <QList>

// Records the exit statuses it is asked for instead of ending the process.
class RecordingProcessTerminator : public ProcessTerminator
{
public:
    void exitWithStatus(int status) override { m_statuses.append(status); }
    QList<int> statuses() const { return m_statuses; }

private:
    QList<int> m_statuses;
};
