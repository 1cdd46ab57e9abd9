#pragma once

#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QVariantMap>

#include <functional>

class MprisPlayerAdaptor;

// Publishes what plays over MPRIS2 as org.mpris.MediaPlayer2.kavu on the
// session bus, and takes the desktop's commands (media keys, the shell's
// player widget, playerctl). Every screen that plays is a source with a
// record and a state of its own; the desktop sees the source that most
// recently started playing, the owner, and commands go to it. Changes go
// out as one PropertiesChanged at the end of the event-loop turn in which
// they happened. The artwork goes to a PNG file in the caches directory
// (written off the GUI thread) so that desktop shells can show it. Without
// a session bus nothing is published and the application goes on as before.
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

    void setNowPlayingInfo(NowPlayingCommandTarget *source, const std::optional<NowPlayingInfo> &info) override;
    void setNowPlayingState(NowPlayingCommandTarget *source, NowPlayingState state) override;
    void seeked(NowPlayingCommandTarget *source) override;
    void removeSource(NowPlayingCommandTarget *source) override;

    // What Raise (show the window, on the owner's screen) and Quit do.
    void setRaiseHandler(std::function<void(NowPlayingCommandTarget *owner)> handler);
    void setQuitHandler(std::function<void()> handler);
    // The application's volume, which the desktop reads and sets (0 to 1,
    // as sound settings show it); tell volumeChanged() when it changes.
    void setVolumeControl(std::function<double()> read, std::function<void(double)> write);
    double volume() const;
    void setVolume(double volume);
    void volumeChanged();

    // What the desktop is told.
    NowPlayingCommandTarget *owner() const { return m_owner; }
    QString playbackStatus() const;
    bool canControl() const;
    QVariantMap metadata() const;
    // The position now, moved on from the owner's last record while it plays.
    qlonglong positionMicroseconds() const;
    QString trackIdPath() const;

    // The desktop's commands, carried out by the owner's own actions.
    void playPause();
    void play();
    void pause();
    void stop();
    void next();
    void previous();
    void seek(qlonglong offsetMicroseconds);
    void setPosition(const QString &trackId, qlonglong positionMicroseconds);
    void raise();
    void quit();

Q_SIGNALS:
    // What the desktop was just told, whole, after a change.
    void published(const QVariantMap &properties);

private:
    struct Source
    {
        std::optional<NowPlayingInfo> info;
        NowPlayingState state = NowPlayingState::NoPlayer;
        QElapsedTimer sincePublished;
        int number = 0;
    };

    const Source *ownerSource() const;
    Source &source(NowPlayingCommandTarget *target);
    // Something the desktop sees may have changed: told at the end of this
    // turn of the event loop.
    void changed();
    void publishChanges();
    QVariantMap properties() const;
    void updateArtwork();
    void writeArtworkOf(qint64 key);
    void emitPropertiesChanged(const QVariantMap &changed);

    QDBusConnection m_connection;
    QString m_serviceName;
    QString m_artworkDirectory;
    bool m_registered = false;
    QObject *m_exported = nullptr;
    MprisPlayerAdaptor *m_player = nullptr;

    QHash<NowPlayingCommandTarget *, Source> m_sources;
    NowPlayingCommandTarget *m_owner = nullptr;
    int m_nextSourceNumber = 1;
    QVariantMap m_published;
    bool m_publishScheduled = false;
    std::function<void(NowPlayingCommandTarget *)> m_raise;
    std::function<void()> m_quit;
    std::function<double()> m_readVolume;
    std::function<void(double)> m_writeVolume;

    qint64 m_artworkKey = 0;
    qint64 m_artworkWrittenKey = 0;
    bool m_artworkFailureLogged = false;
    QString m_artworkFile;
    QFutureWatcher<QString> m_artworkWriter;
    bool m_artworkWriting = false;
};
