#pragma once

#include "platform/StreamingPlayerFactory.h"

// Makes Qt Multimedia streaming players. Only http and https streams are
// played.
class MediaStreamingPlayerFactory : public StreamingPlayerFactory
{
public:
    StreamingPlayerItem *playerItemWithURL(const QUrl &url) override;
    StreamingPlayer *playerWithPlayerItem(StreamingPlayerItem *item) override;
};
