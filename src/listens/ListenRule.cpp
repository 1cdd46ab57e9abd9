#include "listens/ListenRule.h"

#include <algorithm>
#include <cmath>

namespace ListenRule {

std::optional<double> secondsToListen(double duration)
{
    if (!std::isfinite(duration) || duration <= 0)
        return kLongestWaitSeconds;
    if (duration < kShortestTrackSeconds)
        return std::nullopt;
    return std::min(duration / 2, kLongestWaitSeconds);
}

} // namespace ListenRule
