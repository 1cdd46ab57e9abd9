#pragma once

#include "platform/media/StreamingPlayerFactory.h"

#include <QString>

class AudioEngine;
class UrlLoader;

// Makes streaming players on the application's engine. Only http and https
// tracks are played. Each item downloads its track over the application's
// own connections (UrlLoader: its proxy, TLS rules and connections kept
// open) into a private file in the given directory, which goes with it; an
// item for which no file can be made is not made.
class MediaStreamingPlayerFactory : public StreamingPlayerFactory
{
public:
    static constexpr qint64 kTrackLimit = 200LL * 1024 * 1024;
    // How long playback may wait for bytes that do not come.
    static constexpr int kDefaultWaitTimeoutMs = 60000;

    MediaStreamingPlayerFactory(AudioEngine *engine, UrlLoader *loader, const QString &directory);

    StreamingPlayerItem *playerItemWithURL(const QUrl &url) override;
    StreamingPlayer *playerWithPlayerItem(StreamingPlayerItem *item) override;

    // Shortened by tests.
    void setWaitTimeoutMs(int ms) { m_waitTimeoutMs = ms; }
    void setTrackLimit(qint64 bytes) { m_trackLimit = bytes; }

private:
    AudioEngine *m_engine;
    UrlLoader *m_loader;
    QString m_directory;
    qint64 m_trackLimit = kTrackLimit;
    int m_waitTimeoutMs = kDefaultWaitTimeoutMs;
};
