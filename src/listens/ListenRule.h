#pragma once

#include <optional>

// When a track counts as listened to, as ListenBrainz and Last.fm count:
// once half of it, or four minutes of it, whichever comes first, has been
// played; tracks under 30 s never count.
namespace ListenRule {

constexpr double kShortestTrackSeconds = 30;
constexpr double kLongestWaitSeconds = 240;

// Seconds of playing after which a track of this duration (seconds; not a
// number or 0 when unknown) counts; none for a track too short to count. A
// track of unknown duration counts after four minutes.
std::optional<double> secondsToListen(double duration);

} // namespace ListenRule
