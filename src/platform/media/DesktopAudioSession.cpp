#include "platform/media/DesktopAudioSession.h"

#include "platform/media/AudioEngine.h"

DesktopAudioSession::DesktopAudioSession(AudioEngine *engine)
    : m_engine(engine)
{
}

std::optional<QString> DesktopAudioSession::setCategoryPlayback()
{
    if (m_engine)
        m_engine->prepare();
    return std::nullopt;
}
