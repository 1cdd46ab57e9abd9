#include "platform/nowplaying/NowPlayingRecord.h"

namespace NowPlayingRecord {

std::optional<NowPlayingInfo> build(const Source &source)
{
    if (!source.hasPlayer)
        return std::nullopt;
    NowPlayingInfo info;
    if (!source.songName.isEmpty())
        info.title = source.songName;
    if (!source.artistName.isEmpty())
        info.artist = source.artistName;
    info.artwork = source.picture;
    info.playbackDuration = source.duration;
    info.elapsedPlaybackTime = source.currentTime;
    info.playbackRate = source.rate;
    info.track = source.track;
    info.link = source.link;
    return info;
}

} // namespace NowPlayingRecord
