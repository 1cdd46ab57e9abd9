#pragma once

#include <QtGlobal>

// The time a track was actually heard, from the positions its player
// reports as it goes: the position's advance between two reports while it
// played, no more than the time that passed between them. A pause, a hold
// for data and the span a seek skipped add nothing; nor does a seek back
// (the span heard again after it counts again, as it is heard).
class PlayedTime
{
public:
    // The player reported position (seconds) at nowMs (a monotonic clock),
    // playing or not.
    void observe(double position, bool playing, qint64 nowMs);
    // The position jumped (a seek): the next report starts afresh.
    void jumped() { m_hasLast = false; }
    double seconds() const { return m_seconds; }

private:
    // How much a report may run ahead of the clock between two reports
    // (the player's position and the clock are read a moment apart).
    static constexpr double kSlackSeconds = 0.25;

    double m_seconds = 0;
    bool m_hasLast = false;
    double m_lastPosition = 0;
    bool m_lastPlaying = false;
    qint64 m_lastMs = 0;
};
