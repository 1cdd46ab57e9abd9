#pragma once

#include "platform/media/StreamingPlayerItem.h"

#include <limits>

// A player item of MediaStreamingPlayer: the player tells it what its media
// does while it is attached.
class MediaStreamingPlayerItem : public StreamingPlayerItem
{
    Q_OBJECT

public:
    using StreamingPlayerItem::StreamingPlayerItem;

    double duration() const override { return m_duration; }

    void setDuration(double seconds);

private:
    double m_duration = std::numeric_limits<double>::quiet_NaN();
};
