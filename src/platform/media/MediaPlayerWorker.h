#pragma once

#include <QMediaPlayer>
#include <QObject>

#include <functional>

class QAudioOutput;
class QTimer;

// What a media player reports of itself at one moment.
struct MediaPlayerSnapshot
{
    // How many of the host's commands had been carried out.
    quint64 applied = 0;
    QMediaPlayer::PlaybackState state = QMediaPlayer::StoppedState;
    QMediaPlayer::MediaStatus status = QMediaPlayer::NoMedia;
    qint64 duration = 0;
    qint64 position = 0;
    QMediaPlayer::Error error = QMediaPlayer::NoError;
    QString errorText;
};
Q_DECLARE_METATYPE(MediaPlayerSnapshot)

// The part of a MediaPlayerHost that lives on the player's thread: it makes
// the media player and its audio output there, carries out the host's
// commands in order, and sends a snapshot of the player after each command
// and whenever the player changes. Only MediaPlayerHost uses it.
class MediaPlayerWorker : public QObject
{
    Q_OBJECT

public:
    MediaPlayerWorker() = default;

    // On the player's thread: makes the player, then carries out commands.
    void create();
    void apply(const std::function<void(QMediaPlayer *)> &command);
    // Deletes the player (which may wait for its streaming threads) and
    // ends the thread.
    void tearDown();

Q_SIGNALS:
    void changed(const MediaPlayerSnapshot &snapshot);

private:
    void report();
    void updatePolling();

    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_output = nullptr;
    QTimer *m_poll = nullptr;
    quint64 m_applied = 0;
    MediaPlayerSnapshot m_last;
};
