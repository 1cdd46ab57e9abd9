#include "platform/media/MediaStreamingPlayerFactory.h"

#include "platform/media/MediaStreamingPlayer.h"
#include "platform/media/MediaStreamingPlayerItem.h"
#include "platform/media/TrackBuffer.h"
#include "platform/system/Log.h"

MediaStreamingPlayerFactory::MediaStreamingPlayerFactory(AudioEngine *engine, UrlLoader *loader,
                                                         const QString &directory)
    : m_engine(engine)
    , m_loader(loader)
    , m_directory(directory)
{
}

StreamingPlayerItem *MediaStreamingPlayerFactory::playerItemWithURL(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return nullptr;
    QString error;
    std::shared_ptr<TrackBuffer> buffer = TrackBuffer::create(m_directory, &error);
    if (!buffer) {
        qCWarning(lcKavu).noquote() << error;
        return nullptr;
    }
    return new MediaStreamingPlayerItem(url, std::move(buffer), m_engine, m_loader, m_trackLimit, m_waitTimeoutMs);
}

StreamingPlayer *MediaStreamingPlayerFactory::playerWithPlayerItem(StreamingPlayerItem *item)
{
    auto *mediaItem = qobject_cast<MediaStreamingPlayerItem *>(item);
    if (!mediaItem)
        return nullptr;
    return new MediaStreamingPlayer(mediaItem);
}
