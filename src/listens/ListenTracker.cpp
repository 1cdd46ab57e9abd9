#include "listens/ListenTracker.h"

#include "listens/ListenBrainzClient.h"
#include "listens/ListenRule.h"

#include <QDateTime>

#include <cmath>

ListenTracker::ListenTracker(ListenBrainzClient *client)
    : m_client(client)
{
    m_clock.start();
}

void ListenTracker::setNowPlayingInfo(NowPlayingCommandTarget *source, const std::optional<NowPlayingInfo> &info)
{
    if (!info) {
        m_sources.erase(source);
        return;
    }
    auto found = m_sources.find(source);
    if (found == m_sources.end() || found->second.track != info->track) {
        Heard fresh;
        fresh.track = info->track;
        found = m_sources.insert_or_assign(source, fresh).first;
    }
    Heard &heard = found->second;
    // The names, the duration and the page as they are known now (the
    // duration may come a moment after the track).
    heard.listen.title = info->title.value_or(QString());
    heard.listen.artist = info->artist.value_or(QString());
    heard.listen.duration = std::isfinite(info->playbackDuration) ? info->playbackDuration : 0;
    heard.listen.originUrl = info->link;
    const bool playing = info->playbackRate > 0;
    heard.played.observe(info->elapsedPlaybackTime, playing, m_clock.elapsed());
    if (!heard.started && playing && heard.listen.isComplete()) {
        heard.started = true;
        heard.listen.listenedAt = QDateTime::currentSecsSinceEpoch();
        m_client->playingNow(heard.listen);
    }
    if (!heard.started || heard.counted)
        return;
    const std::optional<double> needed = ListenRule::secondsToListen(info->playbackDuration);
    if (needed && heard.played.seconds() >= *needed) {
        heard.counted = true;
        m_client->listened(heard.listen);
    }
}

void ListenTracker::seeked(NowPlayingCommandTarget *source)
{
    const auto found = m_sources.find(source);
    if (found != m_sources.end())
        found->second.played.jumped();
}
