#pragma once

#include "listens/Listen.h"
#include "listens/PlayedTime.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QElapsedTimer>

#include <map>

class ListenBrainzClient;

// Follows what every playing screen publishes and tells the client: a
// playing now when a track starts to play, and a listen once it has played
// long enough (ListenRule), counting only what was played (PlayedTime).
// Each screen's tracks are told apart by the record's track number, so a
// track played again is a new listen.
class ListenTracker : public NowPlayingInfoCenter
{
public:
    explicit ListenTracker(ListenBrainzClient *client);

    void setNowPlayingInfo(NowPlayingCommandTarget *source, const std::optional<NowPlayingInfo> &info) override;
    void setNowPlayingState(NowPlayingCommandTarget *, NowPlayingState) override {}
    void seeked(NowPlayingCommandTarget *source) override;
    void removeSource(NowPlayingCommandTarget *source) override { m_sources.erase(source); }

private:
    struct Heard
    {
        quint64 track = 0;
        bool started = false;
        bool counted = false;
        PlayedTime played;
        Listen listen;
    };

    ListenBrainzClient *m_client;
    QElapsedTimer m_clock;
    std::map<NowPlayingCommandTarget *, Heard> m_sources;
};
