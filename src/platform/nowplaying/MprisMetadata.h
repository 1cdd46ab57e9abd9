#pragma once

#include "platform/nowplaying/NowPlayingInfo.h"
#include "platform/nowplaying/NowPlayingState.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// The MPRIS2 view of a now-playing record and state.
namespace MprisMetadata {

// "Playing" and "Paused" while there is a record to tell of; "Stopped"
// without one, and while a track loads, after a failure or at its end.
QString playbackStatus(const std::optional<NowPlayingInfo> &info, NowPlayingState state);

// Whether the desktop can play, pause, seek and skip: while there is a
// player (its track ended included).
bool canControl(NowPlayingState state);

// Metadata as the Player interface carries it: mpris:trackid (an object
// path), xesam:title, xesam:artist (a list), mpris:length (microseconds, only
// when known) and mpris:artUrl (only with an artwork file).
QVariantMap metadata(const std::optional<NowPlayingInfo> &info, const QString &trackIdPath,
                     const QString &artUrl);

qint64 microseconds(double seconds);

} // namespace MprisMetadata
