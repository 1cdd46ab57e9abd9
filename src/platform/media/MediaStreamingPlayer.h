#pragma once

#include "platform/system/InstanceCounter.h"

#include "platform/media/StreamingPlayer.h"

#include <QMap>
#include <QPointer>
#include <QTimer>

class MediaStreamingPlayerItem;

// The streaming player on the application's GStreamer engine. Its item
// downloads the track and plays it on a pipeline of the engine (made
// ahead, with its sound server connection open); the player drives that
// pipeline while its item plays on it. A next item follows on the same
// pipeline without a gap; a player made for it then goes on with it as it
// plays. Nothing here waits for a pipeline: dropping or replacing a track
// returns at once, whatever its server does.
class MediaStreamingPlayer : public StreamingPlayer
{
    Q_OBJECT

public:
    // How many exist now.
    static int liveCount() { return InstanceCounter<MediaStreamingPlayer>::live(); }

    explicit MediaStreamingPlayer(MediaStreamingPlayerItem *item, QObject *parent = nullptr);
    ~MediaStreamingPlayer() override;

    void play() override;
    void pause() override;
    float rate() const override;
    void seekToTime(double seconds) override;
    double currentTime() const override;
    StreamingPlayerItem *currentItem() const override;
    void replaceCurrentItemWithPlayerItem(StreamingPlayerItem *item) override;
    void setNextItem(StreamingPlayerItem *item) override;
    int addPeriodicTimeObserver(double intervalSeconds, TimeObserver observer) override;
    void removeTimeObserver(int token) override;

private:
    void attach(MediaStreamingPlayerItem *item);
    void updateTick();

    QPointer<MediaStreamingPlayerItem> m_item;
    QPointer<MediaStreamingPlayerItem> m_next;
    QTimer m_tick;
    QMap<int, TimeObserver> m_observers;
    int m_nextToken = 1;
    InstanceCounter<MediaStreamingPlayer> m_counted;
};
