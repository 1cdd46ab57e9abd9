#include "listens/PlayedTime.h"

#include <cmath>

void PlayedTime::observe(double position, bool playing, qint64 nowMs)
{
    if (!std::isfinite(position))
        return;
    if (m_hasLast && m_lastPlaying) {
        const double advance = position - m_lastPosition;
        const double elapsed = double(nowMs - m_lastMs) / 1000.0;
        // Forward, and no faster than the clock: anything else was a jump.
        if (advance > 0 && advance <= elapsed + kSlackSeconds)
            m_seconds += advance;
    }
    m_hasLast = true;
    m_lastPosition = position;
    m_lastPlaying = playing;
    m_lastMs = nowMs;
}
