#pragma once

#include "platform/nowplaying/NowPlayingInfo.h"

#include <QImage>
#include <QString>

#include <optional>

// Builds the now-playing record of a screen that plays from what it shows.
namespace NowPlayingRecord {

struct Source
{
    bool hasPlayer = false;
    QString songName;     // the labels' texts; empty when they have none
    QString artistName;
    QImage picture;       // the background picture; null when none
    double duration = 0;  // of the current item's media
    double currentTime = 0;
    float rate = 0;
    quint64 track = 0;
    QString link;         // the track's page; empty when none
};

// No record without a player; otherwise title, artist and artwork only when
// their source has a value, and always the duration, time and rate.
std::optional<NowPlayingInfo> build(const Source &source);

} // namespace NowPlayingRecord
