#pragma once

#include <QUrl>

class StreamingPlayer;
class StreamingPlayerItem;

// Creates streaming player items and players; either may fail (null).
class StreamingPlayerFactory
{
public:
    virtual ~StreamingPlayerFactory() = default;
    virtual StreamingPlayerItem *playerItemWithURL(const QUrl &url) = 0;
    // The player takes ownership of the item.
    virtual StreamingPlayer *playerWithPlayerItem(StreamingPlayerItem *item) = 0;
};
