#pragma once

#include "platform/media/StreamingPlayerFactory.h"

#include <QObject>
#include <QPointer>

class MediaPlayerHost;

// Makes Qt Multimedia streaming players. Only http and https streams are
// played. Once a track has played, a media player is kept ready for the
// next one (on its own thread), so that a tap does not wait for one to be
// made; it is made a while after the last stream started. Before the first
// track none is made: that would load the media framework, some 10 MiB, for
// nothing.
class MediaStreamingPlayerFactory : public StreamingPlayerFactory
{
public:
    MediaStreamingPlayerFactory();
    ~MediaStreamingPlayerFactory() override;

    StreamingPlayerItem *playerItemWithURL(const QUrl &url) override;
    StreamingPlayer *playerWithPlayerItem(StreamingPlayerItem *item) override;

    // How long a stream may take to start before it fails.
    void setStartTimeoutMs(int ms) { m_startTimeoutMs = ms; }

private:
    void prepareSpareLater();

    int m_startTimeoutMs = 30000;
    QObject m_context;
    QPointer<MediaPlayerHost> m_spare;
};
