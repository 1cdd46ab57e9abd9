#pragma once

#include "platform/media/AudioSession.h"

#include <QPointer>

class AudioEngine;

// On the desktop, audio plays whatever else the session does; there is no
// category to set, so asking for one always succeeds. Asking readies the
// engine: a screen that will play makes a pipeline ready ahead of its
// first track.
class DesktopAudioSession : public AudioSession
{
public:
    explicit DesktopAudioSession(AudioEngine *engine = nullptr);
    std::optional<QString> setCategoryPlayback() override;

private:
    QPointer<AudioEngine> m_engine;
};
