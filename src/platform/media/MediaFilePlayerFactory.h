#pragma once

#include "platform/media/FilePlayerFactory.h"

class QNetworkAccessManager;

// Downloads the whole track, then decodes it, before it returns a player.
// While it waits the window keeps repainting, but no user input is handled
// and no second creation can start. A track is limited in size and in time.
class MediaFilePlayerFactory : public FilePlayerFactory
{
public:
    static constexpr qint64 kTrackLimit = 200LL * 1024 * 1024;
    static constexpr int kDefaultTimeoutMs = 60000;

    explicit MediaFilePlayerFactory(QNetworkAccessManager *manager);

    void setLimits(qint64 maxBytes, int timeoutMs);

    FilePlayer *createWithContentsOfURL(const QUrl &url, QString *error) override;

    bool isCreating() const { return m_creating; }

private:
    QNetworkAccessManager *m_manager;
    qint64 m_maxBytes = kTrackLimit;
    int m_timeoutMs = kDefaultTimeoutMs;
    bool m_creating = false;
};
