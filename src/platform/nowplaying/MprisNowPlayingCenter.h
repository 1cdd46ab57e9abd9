#pragma once

#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QVariantMap>

class MprisPlayerAdaptor;

// Publishes the now-playing record over MPRIS2 as org.mpris.MediaPlayer2.kavu
// on the session bus: one service for the whole process, whose last
// published record wins. The artwork goes to a PNG file in the caches
// directory so that desktop shells can show it. Without a session bus
// nothing is published and the application goes on as before.
class MprisNowPlayingCenter : public QObject, public NowPlayingInfoCenter
{
    Q_OBJECT

public:
    static constexpr const char *kServiceName = "org.mpris.MediaPlayer2.kavu";
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";

    MprisNowPlayingCenter(const QDBusConnection &connection, const QString &desktopEntry,
                          const QString &artworkDirectory, QObject *parent = nullptr);
    ~MprisNowPlayingCenter() override;

    bool isPublishing() const { return m_registered; }
    QString serviceName() const { return m_serviceName; }

    void setNowPlayingInfo(const std::optional<NowPlayingInfo> &info) override;

    QString playbackStatus() const;
    double rate() const;
    QVariantMap metadata() const;
    // The position now, moved on from the last record by its rate.
    qlonglong positionMicroseconds() const;

private:
    void updateArtwork(const QImage &artwork);
    void emitPropertiesChanged(const QVariantMap &changed);

    QDBusConnection m_connection;
    QString m_serviceName;
    QString m_artworkDirectory;
    bool m_registered = false;
    QObject *m_exported = nullptr;
    MprisPlayerAdaptor *m_player = nullptr;

    std::optional<NowPlayingInfo> m_info;
    QElapsedTimer m_sincePublished;
    QString m_trackIdPath;
    quint64 m_trackNumber = 0;
    qint64 m_artworkKey = 0;
    QString m_artworkFile;
};
