#pragma once

#include "platform/nowplaying/NowPlayingInfo.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// The MPRIS2 view of a now-playing record.
namespace MprisMetadata {

// "Playing" when the rate is not 0, "Paused" with a record at rate 0,
// "Stopped" without a record.
QString playbackStatus(const std::optional<NowPlayingInfo> &info);

// Metadata as the Player interface carries it: mpris:trackid (an object
// path), xesam:title, xesam:artist (a list), mpris:length (microseconds, only
// when known) and mpris:artUrl (only with an artwork file).
QVariantMap metadata(const std::optional<NowPlayingInfo> &info, const QString &trackIdPath,
                     const QString &artUrl);

qint64 microseconds(double seconds);

} // namespace MprisMetadata
