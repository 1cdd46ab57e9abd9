#pragma once

#include "platform/media/FilePlayerFactory.h"

#include <QString>

class AudioEngine;
class QNetworkAccessManager;

// Makes file players on the application's engine: each track downloads
// into a private temporary file in the given directory (mode 0600), which
// goes with its player; files a crashed run left there (the streaming
// players' too) are removed when the factory is made. A download fails only when nothing comes for the transfer time-out,
// when it comes slower than UrlConnection's minimum average rate, when it
// passes the size limit, or on a transport error; reading the downloaded
// track for its length has a time-out of its own.
class MediaFilePlayerFactory : public FilePlayerFactory
{
public:
    static constexpr qint64 kTrackLimit = 200LL * 1024 * 1024;
    static constexpr int kDefaultTimeoutMs = 60000;
    static constexpr int kDecodeTimeoutMs = 15000;

    MediaFilePlayerFactory(AudioEngine *engine, QNetworkAccessManager *manager, const QString &directory);

    // The size limit and the transfer time-out (tests shorten them).
    void setLimits(qint64 maxBytes, int timeoutMs);

    FilePlayerCreation *createWithContentsOfURL(const QUrl &url) override;

    QString directory() const { return m_directory; }
    // Removes the temporary tracks (the direct player's and the streams')
    // of Kavu processes that no longer run.
    static void removeLeftoverTracks(const QString &directory);

private:
    AudioEngine *m_engine;
    QNetworkAccessManager *m_manager;
    QString m_directory;
    qint64 m_maxBytes = kTrackLimit;
    int m_timeoutMs = kDefaultTimeoutMs;
};
