#pragma once

#include "platform/media/AudioSession.h"

// An audio session that can be made to refuse the playback category.
class FakeAudioSession : public AudioSession
{
public:
    std::optional<QString> setCategoryPlayback() override
    {
        ++requests;
        return error;
    }

    std::optional<QString> error;
    int requests = 0;
};
