#pragma once

// Ends the process with an exit status.
class ProcessTerminator
{
public:
    virtual ~ProcessTerminator() = default;
    virtual void exitWithStatus(int status) = 0;
};
