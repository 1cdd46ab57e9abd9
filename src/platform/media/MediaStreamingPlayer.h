#pragma once

#include "platform/system/InstanceCounter.h"

#include "platform/media/StreamingPlayer.h"

#include <QMap>
#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>

class MediaStreamingPlayerItem;
class QAudioOutput;

// The streaming player on Qt Multimedia: a QMediaPlayer with an audio
// output, playing straight from the network. After a failure the media
// player is stopped too, so that it no longer reads as playing. A stream
// that has not started within the start time-out (a server that never
// finishes its headers, say) fails, so no track waits for ever; the time
// a stream spends paused does not count.
class MediaStreamingPlayer : public StreamingPlayer
{
    Q_OBJECT

public:
    // How many exist now.
    static int liveCount() { return InstanceCounter<MediaStreamingPlayer>::live(); }

    static constexpr int kDefaultStartTimeoutMs = 30000;

    // backend: a media player made ready beforehand, or null for a new one.
    explicit MediaStreamingPlayer(MediaStreamingPlayerItem *item, QMediaPlayer *backend = nullptr,
                                  QObject *parent = nullptr);
    // A media player with its audio output: making one takes a few
    // milliseconds, mostly in finding the audio device.
    static QMediaPlayer *makeBackend();
    ~MediaStreamingPlayer() override;

    void play() override;
    void pause() override;
    float rate() const override;
    void seekToTime(double seconds) override;
    double currentTime() const override;
    StreamingPlayerItem *currentItem() const override;
    void replaceCurrentItemWithPlayerItem(StreamingPlayerItem *item) override;
    int addPeriodicTimeObserver(double intervalSeconds, TimeObserver observer) override;
    void removeTimeObserver(int token) override;

    QMediaPlayer *mediaPlayer() const { return m_player; }
    void setStartTimeoutMs(int ms) { m_startTimeoutMs = ms; }

private:
    void attach(MediaStreamingPlayerItem *item);
    void useBackend(QMediaPlayer *backend);
    void retireBackend();
    void updateTick();
    void onStatusChanged(QMediaPlayer::MediaStatus status);
    void onError(QMediaPlayer::Error error, const QString &text);
    void fail(const QString &text);

    QMediaPlayer *m_player = nullptr;
    QPointer<MediaStreamingPlayerItem> m_item;
    QTimer m_tick;
    QTimer m_startDeadline;
    int m_startTimeoutMs = kDefaultStartTimeoutMs;
    // What was left of the start deadline when the stream was paused.
    int m_startTimeLeftMs = 0;
    QMap<int, TimeObserver> m_observers;
    int m_nextToken = 1;
    bool m_itemFailed = false;
    InstanceCounter<MediaStreamingPlayer> m_counted;
};
