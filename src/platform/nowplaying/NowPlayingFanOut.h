#pragma once

#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QList>

// Hands what the screens publish to several centers (the desktop's, and
// those that keep a history of what was heard), in the order added.
class NowPlayingFanOut : public NowPlayingInfoCenter
{
public:
    // The center must outlive this one.
    void add(NowPlayingInfoCenter *center) { m_centers.append(center); }

    void setNowPlayingInfo(NowPlayingCommandTarget *source, const std::optional<NowPlayingInfo> &info) override
    {
        for (NowPlayingInfoCenter *center : std::as_const(m_centers))
            center->setNowPlayingInfo(source, info);
    }
    void setNowPlayingState(NowPlayingCommandTarget *source, NowPlayingState state) override
    {
        for (NowPlayingInfoCenter *center : std::as_const(m_centers))
            center->setNowPlayingState(source, state);
    }
    void seeked(NowPlayingCommandTarget *source) override
    {
        for (NowPlayingInfoCenter *center : std::as_const(m_centers))
            center->seeked(source);
    }
    void removeSource(NowPlayingCommandTarget *source) override
    {
        for (NowPlayingInfoCenter *center : std::as_const(m_centers))
            center->removeSource(source);
    }

private:
    QList<NowPlayingInfoCenter *> m_centers;
};
