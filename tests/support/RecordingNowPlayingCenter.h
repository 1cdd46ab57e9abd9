#pragma once

#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QList>

// Keeps every record published, in order.
class RecordingNowPlayingCenter : public NowPlayingInfoCenter
{
public:
    void setNowPlayingInfo(const std::optional<NowPlayingInfo> &info) override { records.append(info); }
    std::optional<NowPlayingInfo> current() const { return records.isEmpty() ? std::nullopt : records.last(); }

    QList<std::optional<NowPlayingInfo>> records;
};
