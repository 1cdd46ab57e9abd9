#pragma once

#include "platform/system/ProcessTerminator.h"

// Leaves the application's event loop with the status, so that the process
// exits with it; no further event is handled.
class EventLoopProcessTerminator : public ProcessTerminator
{
public:
    void exitWithStatus(int status) override;
};
