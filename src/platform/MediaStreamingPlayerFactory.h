#pragma once

#include "platform/StreamingPlayerFactory.h"

// Makes Qt Multimedia streaming players. Only http and https streams are
// played.
class MediaStreamingPlayerFactory : public StreamingPlayerFactory
{
public:
    StreamingPlayerItem *playerItemWithURL(const QUrl &url) override;
    StreamingPlayer *playerWithPlayerItem(StreamingPlayerItem *item) override;

    // How long a stream may take to start before it fails.
    void setStartTimeoutMs(int ms) { m_startTimeoutMs = ms; }

private:
    int m_startTimeoutMs = 30000;
};
