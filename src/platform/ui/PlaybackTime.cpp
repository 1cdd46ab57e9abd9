#include "platform/ui/PlaybackTime.h"

#include <cmath>

namespace PlaybackTime {
namespace {

bool known(double duration)
{
    return std::isfinite(duration) && duration > 0;
}

QString clock(qint64 seconds, bool withHours)
{
    const qint64 s = seconds % 60;
    const qint64 m = withHours ? (seconds / 60) % 60 : seconds / 60;
    if (!withHours)
        return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
}

// Whole seconds played, within the track.
qint64 played(double seconds, double duration)
{
    const double at = std::isfinite(seconds) ? seconds : 0.0;
    return qint64(std::floor(qBound(0.0, at, duration)));
}

} // namespace

QString unknown()
{
    return QStringLiteral("--:--");
}

QString elapsed(double seconds, double duration)
{
    if (!known(duration))
        return unknown();
    return clock(played(seconds, duration), duration >= 3600);
}

QString remaining(double seconds, double duration)
{
    if (!known(duration))
        return unknown();
    const qint64 left = qint64(std::floor(duration)) - played(seconds, duration);
    return QStringLiteral("\u2212") + clock(qMax<qint64>(0, left), duration >= 3600);
}

} // namespace PlaybackTime
