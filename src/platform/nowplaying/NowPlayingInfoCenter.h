#pragma once

#include "platform/nowplaying/NowPlayingInfo.h"

#include <optional>

// Publishes the record of what plays, replacing the previous one; no record
// clears it.
class NowPlayingInfoCenter
{
public:
    virtual ~NowPlayingInfoCenter() = default;
    virtual void setNowPlayingInfo(const std::optional<NowPlayingInfo> &info) = 0;
};
