#pragma once

#include "platform/nowplaying/NowPlayingInfo.h"
#include "platform/nowplaying/NowPlayingState.h"

#include <optional>

class NowPlayingCommandTarget;

// Tells the desktop what plays. Every screen that plays publishes its own
// record and state; the desktop sees those of the screen that most
// recently started playing, and its commands go to that screen.
class NowPlayingInfoCenter
{
public:
    virtual ~NowPlayingInfoCenter() = default;
    // Replaces the source's record; no record clears it.
    virtual void setNowPlayingInfo(NowPlayingCommandTarget *source, const std::optional<NowPlayingInfo> &info) = 0;
    virtual void setNowPlayingState(NowPlayingCommandTarget *source, NowPlayingState state) = 0;
    // The source's position jumped.
    virtual void seeked(NowPlayingCommandTarget *source) = 0;
    // The source goes.
    virtual void removeSource(NowPlayingCommandTarget *source) = 0;
};
