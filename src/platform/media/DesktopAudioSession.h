#pragma once

#include "platform/media/AudioSession.h"

// On the desktop, audio plays whatever else the session does; there is no
// category to set, so asking for one always succeeds.
class DesktopAudioSession : public AudioSession
{
public:
    std::optional<QString> setCategoryPlayback() override { return std::nullopt; }
};
