#pragma once

class DemoService;
class SecondViewController;
class SoundServer;

// What the listener hears of the player's commands, and of a sound server
// that restarts, measured at the sound server's output: a seek to the
// sound of the new place (within what came, and ahead of it on a link
// twice the track's rate), pause to silence and play to sound, and a
// restart of the server to sound. Tracks whose pitch steps up every second
// tell where a seek went. Each measurement prints its figures and targets.
class CommandBench
{
public:
    CommandBench(SecondViewController *music, DemoService *demo, SoundServer *sound);

    void seeks(int runs);
    void pauseAndPlay(int runs);
    void serverRestart(int runs);

private:
    bool playing(double atLeastSeconds) const;

    SecondViewController *m_music;
    DemoService *m_demo;
    SoundServer *m_sound;
};
