#pragma once

#include "platform/system/InstanceCounter.h"

#include "platform/media/StreamingPlayer.h"

#include <QMap>
#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>

class MediaPlayerHost;
class MediaStreamingPlayerItem;

// The streaming player on Qt Multimedia: a QMediaPlayer with an audio
// output, playing straight from the network. The media player lives on a
// thread of its own (MediaPlayerHost), so that nothing here waits for its
// pipeline: dropping or replacing a stream returns at once, whatever the
// server does. After a failure the media player is retired too, so that it
// no longer reads as playing. A stream that has not started within the
// start time-out (a server that never finishes its headers, say) fails, so
// no track waits for ever; the time a stream spends paused does not count.
class MediaStreamingPlayer : public StreamingPlayer
{
    Q_OBJECT

public:
    // How many exist now.
    static int liveCount() { return InstanceCounter<MediaStreamingPlayer>::live(); }

    static constexpr int kDefaultStartTimeoutMs = 30000;

    // host: a media player made ready beforehand, or null for a new one.
    explicit MediaStreamingPlayer(MediaStreamingPlayerItem *item, MediaPlayerHost *host = nullptr,
                                  QObject *parent = nullptr);
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

    void setStartTimeoutMs(int ms) { m_startTimeoutMs = ms; }

private:
    void attach(MediaStreamingPlayerItem *item);
    void useHost(MediaPlayerHost *host);
    void retireHost();
    void updateTick();
    void onStatusChanged(QMediaPlayer::MediaStatus status);
    void onError(QMediaPlayer::Error error, const QString &text);
    void fail(const QString &text);
    QMediaPlayer::PlaybackState playbackState() const;

    // None while nothing is to be played.
    MediaPlayerHost *m_host = nullptr;
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
