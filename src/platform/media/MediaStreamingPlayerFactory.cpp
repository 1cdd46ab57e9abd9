#include "platform/media/MediaStreamingPlayerFactory.h"

#include "platform/media/MediaPlayerHost.h"
#include "platform/media/MediaStreamingPlayer.h"
#include "platform/media/MediaStreamingPlayerItem.h"

#include <QTimer>

namespace {
// Long enough for a stream to have started before the next player is made.
constexpr int kSpareDelayMs = 2000;
} // namespace

MediaStreamingPlayerFactory::MediaStreamingPlayerFactory() = default;

MediaStreamingPlayerFactory::~MediaStreamingPlayerFactory()
{
    delete m_spare;
}

void MediaStreamingPlayerFactory::prepareSpareLater()
{
    QTimer::singleShot(kSpareDelayMs, Qt::CoarseTimer, &m_context, [this] {
        if (!m_spare)
            m_spare = new MediaPlayerHost;
    });
}

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
    MediaPlayerHost *host = m_spare;
    m_spare = nullptr;
    auto *player = new MediaStreamingPlayer(mediaItem, host);
    prepareSpareLater();
    player->setStartTimeoutMs(m_startTimeoutMs);
    return player;
}
