#pragma once

#include <QObject>

#include <functional>

class StreamingPlayerItem;

// Plays one item from the network as it downloads (the toolkit's streaming
// player). Times are seconds. Periodic observers run on the GUI thread while
// the player plays and end with the player.
class StreamingPlayer : public QObject
{
    Q_OBJECT

public:
    using TimeObserver = std::function<void(double currentTime)>;

    using QObject::QObject;

    virtual void play() = 0;
    virtual void pause() = 0;
    // 1 while playing (or waiting for data to play), 0 otherwise.
    virtual float rate() const = 0;
    virtual void seekToTime(double seconds) = 0;
    virtual double currentTime() const = 0;

    virtual StreamingPlayerItem *currentItem() const = 0;
    // Replaces the item; none detaches it. The player owns its item and
    // releases a replaced one.
    virtual void replaceCurrentItemWithPlayerItem(StreamingPlayerItem *item) = 0;

    // The item to play from the sample where the current one ends, on the
    // same output, without a gap; none: nothing follows. The item stays the
    // caller's: when the current item has reported its end, a player made
    // for it (StreamingPlayerFactory) goes on with it as it plays.
    virtual void setNextItem(StreamingPlayerItem *item) = 0;

    // Returns a token for removeTimeObserver.
    virtual int addPeriodicTimeObserver(double intervalSeconds, TimeObserver observer) = 0;
    virtual void removeTimeObserver(int token) = 0;
};
