#pragma once

#include <QByteArray>
#include <QMediaPlayer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class MediaPlayerWorker;
class QThread;
struct MediaPlayerSnapshot;

// A QMediaPlayer with its audio output on a thread of its own, driven from
// the GUI thread without ever waiting for it.
//
// With Qt 6.4's GStreamer backend, stopping, re-sourcing or deleting a media
// player sets its pipeline's state synchronously: that waits up to a second
// for an asynchronous state change, and then for the stream's source thread
// to end, which a stalled or silent server can hold up. So each player
// lives on its own thread, created there (its bus watch then runs on that
// thread's main context, not the GUI's), and the GUI thread only posts
// commands to it and keeps a copy of what it last reported. Deleting the
// host posts the player's deletion to its thread and returns at once; the
// thread ends when the teardown is done, however long that takes.
//
// The copy answers at once: a command changes it as the player will (play
// reads as playing at once), and a report of the player replaces it only
// when no later command is still on its way.
class MediaPlayerHost : public QObject
{
    Q_OBJECT

public:
    explicit MediaPlayerHost(QObject *parent = nullptr);
    ~MediaPlayerHost() override;

    // Loads the media framework on the GUI thread, so that its process-wide
    // parts belong to it rather than to a player's thread. Called once
    // before the first host is made; cheap afterwards.
    static void prepareMediaFramework();
    // Waits, for at most timeoutMs, for the threads of deleted hosts to end
    // their teardown; called when the application ends. Threads still
    // tearing down after that are left to the process's end.
    static void finishTeardowns(int timeoutMs);
    // How many player threads run now (hosts alive and teardowns going on).
    static int runningThreads();

    void setSource(const QUrl &url);
    void play();
    void pause();
    void setPosition(qint64 ms);

    QUrl source() const { return m_source; }
    bool hasSource() const { return m_hasSource; }
    QMediaPlayer::PlaybackState playbackState() const { return m_state; }
    QMediaPlayer::MediaStatus mediaStatus() const { return m_status; }
    qint64 position() const { return m_position; }
    qint64 duration() const { return m_duration; }

Q_SIGNALS:
    void playbackStateChanged(QMediaPlayer::PlaybackState state);
    void mediaStatusChanged(QMediaPlayer::MediaStatus status);
    void durationChanged(qint64 ms);
    void positionChanged(qint64 ms);
    void errorOccurred(QMediaPlayer::Error error, const QString &text);

private:
    // A report of the player, on the GUI thread; it counts only when no
    // later command is still on its way.
    void onSnapshot(const MediaPlayerSnapshot &snapshot);

    void send(std::function<void(QMediaPlayer *)> command);
    void setState(QMediaPlayer::PlaybackState state);
    void setStatus(QMediaPlayer::MediaStatus status);
    void setDuration(qint64 ms);
    void resetForSource(const QUrl &url, bool hasSource);

    QThread *m_thread = nullptr;
    QPointer<MediaPlayerWorker> m_worker;
    quint64 m_sent = 0;
    QUrl m_source;
    bool m_hasSource = false;
    QMediaPlayer::PlaybackState m_state = QMediaPlayer::StoppedState;
    QMediaPlayer::MediaStatus m_status = QMediaPlayer::NoMedia;
    qint64 m_position = 0;
    qint64 m_duration = 0;
    // The current source's error has been told.
    bool m_errorTold = false;
};
