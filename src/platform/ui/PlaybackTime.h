#pragma once

#include <QString>

// The times shown at the ends of a player's position slider: the time
// played, "m:ss" ("h:mm:ss" when the track lasts an hour or more), and the
// time left, "−m:ss"; both "--:--" while the track's duration is unknown.
namespace PlaybackTime {

// The text shown while the duration is unknown.
QString unknown();
QString elapsed(double seconds, double duration);
QString remaining(double seconds, double duration);

} // namespace PlaybackTime
