#pragma once

#include "platform/media/StreamingPlayer.h"
#include "platform/media/StreamingPlayerFactory.h"
#include "platform/media/StreamingPlayerItem.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QStringList>

#include <cmath>
#include <limits>

// A player item whose events the test raises. Like a real item it reports
// nothing once detached from its player.
class FakeStreamingPlayerItem : public StreamingPlayerItem
{
    Q_OBJECT

public:
    using StreamingPlayerItem::StreamingPlayerItem;

    double duration() const override { return m_duration; }
    void setDuration(double seconds);

    bool attached = false;
    void finish();
    void fail(const QString &error);
    // Some seconds before the end, as a playing item says.
    void nearEnd();
    void setWaitingForData(bool waiting);
    bool isWaitingForData() const override { return m_waiting; }

private:
    double m_duration = std::numeric_limits<double>::quiet_NaN();
    bool m_waiting = false;
};

// A player that plays nothing; it records what it is told.
class FakeStreamingPlayer : public StreamingPlayer
{
    Q_OBJECT

public:
    explicit FakeStreamingPlayer(FakeStreamingPlayerItem *item);
    ~FakeStreamingPlayer() override;

    void play() override;
    void pause() override;
    float rate() const override { return m_rate; }
    void seekToTime(double seconds) override;
    double currentTime() const override { return m_time; }
    StreamingPlayerItem *currentItem() const override { return m_item; }
    void replaceCurrentItemWithPlayerItem(StreamingPlayerItem *item) override;
    void setNextItem(StreamingPlayerItem *item) override;
    StreamingPlayerItem *nextItem() const { return m_next; }
    int addPeriodicTimeObserver(double intervalSeconds, TimeObserver observer) override;
    void removeTimeObserver(int token) override;

    // Runs the periodic observers as one tick of the clock.
    void tick(double currentTime);
    void setCurrentTime(double seconds) { m_time = seconds; }
    int observerCount() const { return int(m_observers.size()); }

    // What the player was told, in order; also written to sharedLog (which
    // outlives the player) when set.
    QStringList calls;
    QStringList *sharedLog = nullptr;

private:
    void record(const QString &call);

    QPointer<FakeStreamingPlayerItem> m_item;
    QPointer<StreamingPlayerItem> m_next;
    float m_rate = 0;
    double m_time = 0;
    QMap<int, TimeObserver> m_observers;
    int m_nextToken = 1;
};

// Makes fake items and players; either can be made to fail.
class FakeStreamingPlayerFactory : public StreamingPlayerFactory
{
public:
    StreamingPlayerItem *playerItemWithURL(const QUrl &url) override;
    StreamingPlayer *playerWithPlayerItem(StreamingPlayerItem *item) override;

    bool failItems = false;
    bool failPlayers = false;
    QList<QUrl> urls;
    QStringList log; // every call of every player
    QList<QPointer<FakeStreamingPlayer>> players;
    QList<QPointer<FakeStreamingPlayerItem>> items;

    FakeStreamingPlayer *lastPlayer() const { return players.isEmpty() ? nullptr : players.last().data(); }
    FakeStreamingPlayerItem *lastItem() const { return items.isEmpty() ? nullptr : items.last().data(); }
    int livePlayers() const;
};
