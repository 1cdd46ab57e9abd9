#pragma once

#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QList>

// Keeps every record, state and seek published, in order, whichever screen
// published it.
class RecordingNowPlayingCenter : public NowPlayingInfoCenter
{
public:
    void setNowPlayingInfo(NowPlayingCommandTarget *, const std::optional<NowPlayingInfo> &info) override
    {
        records.append(info);
    }
    void setNowPlayingState(NowPlayingCommandTarget *, NowPlayingState state) override { states.append(state); }
    void seeked(NowPlayingCommandTarget *) override { ++seeks; }
    void removeSource(NowPlayingCommandTarget *) override {}

    std::optional<NowPlayingInfo> current() const { return records.isEmpty() ? std::nullopt : records.last(); }
    NowPlayingState state() const { return states.isEmpty() ? NowPlayingState::NoPlayer : states.last(); }

    QList<std::optional<NowPlayingInfo>> records;
    QList<NowPlayingState> states;
    int seeks = 0;
};
