#pragma once

#include <QString>

#include <optional>

// The process-wide audio session. Asking for the playback category returns
// an error text when it is refused.
class AudioSession
{
public:
    virtual ~AudioSession() = default;
    virtual std::optional<QString> setCategoryPlayback() = 0;
};
