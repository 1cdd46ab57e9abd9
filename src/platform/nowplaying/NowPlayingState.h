#pragma once

// How a screen's playback stands, as the desktop is told: the record of
// what plays is republished only at the screen's own steps, but the
// desktop must know at once when a track loads, fails or ends.
enum class NowPlayingState {
    NoPlayer, // nothing to play: at the start, after a failure or a back action
    Loading,  // a track is asked for; what played before is gone
    Playing,
    Paused,
    Ended,    // the track played to its end and nothing follows
};
