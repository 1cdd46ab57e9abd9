#include "platform/nowplaying/MprisMetadata.h"

#include <QDBusObjectPath>
#include <QStringList>

#include <cmath>

namespace MprisMetadata {

QString playbackStatus(const std::optional<NowPlayingInfo> &info, NowPlayingState state)
{
    if (info && state == NowPlayingState::Playing)
        return QStringLiteral("Playing");
    if (info && state == NowPlayingState::Paused)
        return QStringLiteral("Paused");
    return QStringLiteral("Stopped");
}

bool canControl(NowPlayingState state)
{
    return state == NowPlayingState::Playing || state == NowPlayingState::Paused
        || state == NowPlayingState::Ended;
}

qint64 microseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    return qint64(std::llround(seconds * 1e6));
}

QVariantMap metadata(const std::optional<NowPlayingInfo> &info, const QString &trackIdPath,
                     const QString &artUrl)
{
    QVariantMap map;
    if (!info) {
        map.insert(QStringLiteral("mpris:trackid"),
                   QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
        return map;
    }
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackIdPath)));
    if (info->title)
        map.insert(QStringLiteral("xesam:title"), *info->title);
    if (info->artist)
        map.insert(QStringLiteral("xesam:artist"), QStringList{*info->artist});
    if (std::isfinite(info->playbackDuration) && info->playbackDuration > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(microseconds(info->playbackDuration)));
    if (!artUrl.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), artUrl);
    return map;
}

} // namespace MprisMetadata
