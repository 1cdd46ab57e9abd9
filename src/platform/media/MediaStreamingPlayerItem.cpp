#include "platform/media/MediaStreamingPlayerItem.h"

#include <cmath>

void MediaStreamingPlayerItem::setDuration(double seconds)
{
    if (seconds == m_duration || (std::isnan(seconds) && std::isnan(m_duration)))
        return;
    m_duration = seconds;
    Q_EMIT durationChanged(seconds);
}
