#pragma once

#include "platform/media/FilePlayerCreation.h"
#include "platform/net/UrlConnection.h"

#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>

class AudioEngine;
class MediaFilePlayer;
class QNetworkAccessManager;
class QTemporaryFile;

// MediaFilePlayerFactory's creation: the track streams into a temporary
// file as it downloads, then a player reads it for its length.
class MediaFilePlayerCreation : public FilePlayerCreation, public UrlConnectionDelegate
{
    Q_OBJECT

public:
    MediaFilePlayerCreation(AudioEngine *engine, QNetworkAccessManager *manager, const QUrl &url,
                            const QString &directory, qint64 maxBytes, int timeoutMs, int decodeTimeoutMs);
    ~MediaFilePlayerCreation() override;

    void start();
    void cancel() override;

    void connectionDidReceiveResponse(UrlConnection *connection, int httpStatus) override;
    void connectionDidReceiveData(UrlConnection *connection, const QByteArray &data) override;
    void connectionDidFinishLoading(UrlConnection *connection) override;
    void connectionDidFailWithError(UrlConnection *connection, const QString &error) override;

private:
    void load();
    // Reports once, from the event loop.
    void finish(MediaFilePlayer *player, const QString &error);

    QPointer<AudioEngine> m_engine;
    QNetworkAccessManager *m_manager;
    QUrl m_url;
    QString m_directory;
    qint64 m_maxBytes;
    int m_timeoutMs;
    int m_decodeTimeoutMs;
    QPointer<UrlConnection> m_connection;
    std::unique_ptr<QTemporaryFile> m_file;
    QPointer<MediaFilePlayer> m_player;
    QPointer<MediaFilePlayer> m_made;
    QTimer m_decodeDeadline;
    qint64 m_received = 0;
    int m_status = 0;
    bool m_done = false;
};
