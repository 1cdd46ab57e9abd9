#include "platform/MediaStreamingPlayerFactory.h"

#include "platform/MediaStreamingPlayer.h"
#include "platform/MediaStreamingPlayerItem.h"

StreamingPlayerItem *MediaStreamingPlayerFactory::playerItemWithURL(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return nullptr;
    return new MediaStreamingPlayerItem(url);
}

StreamingPlayer *MediaStreamingPlayerFactory::playerWithPlayerItem(StreamingPlayerItem *item)
{
    auto *mediaItem = qobject_cast<MediaStreamingPlayerItem *>(item);
    if (!mediaItem)
        return nullptr;
    auto *player = new MediaStreamingPlayer(mediaItem);
    player->setStartTimeoutMs(m_startTimeoutMs);
    return player;
}
