#pragma once

// What a screen that plays does when the desktop asks (media keys, the
// shell's player widget, playerctl): its own actions, so that everything
// they do on the screen they do here too.
class NowPlayingCommandTarget
{
public:
    virtual ~NowPlayingCommandTarget() = default;
    virtual void remotePlayPause() = 0;
    virtual void remoteNext() = 0;
    // Back to the start of the track.
    virtual void remotePrevious() = 0;
    // As the screen's slider seeks.
    virtual void remoteSeekTo(double seconds) = 0;
};
