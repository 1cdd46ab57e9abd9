#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class PlaybackPipeline;

// The application's playback engine on GStreamer: its pipelines, and the
// one volume and mute of the whole application, applied to every one.
//
// A pipeline with its sound server connection is made ahead, on its own
// thread, so that a track never waits for one: when the first player
// screen prepares for playback, and again a while after each track took
// the one made ready. A pipeline a player lets go is emptied and kept as
// the ready one, or torn down when one is ready already.
class AudioEngine : public QObject
{
    Q_OBJECT

public:
    explicit AudioEngine(QObject *parent = nullptr);
    ~AudioEngine() override;

    // Makes a pipeline ready ahead, unless one is.
    void prepare();
    // The ready pipeline, or a new one; the caller gives it back with
    // recycle().
    PlaybackPipeline *takePipeline();
    void recycle(PlaybackPipeline *pipeline);

    // The volume as the desktop's sound settings show it (0 to 1).
    double volume() const { return m_volume; }
    void setVolume(double volume);
    bool isMuted() const { return m_muted; }
    void setMuted(bool muted);

    // The sound output the pipelines found: "pulsesink" (the desktop's
    // sound server), "alsasink" (the sound card) or "fakesink" (a silent
    // one, where KAVU_AUDIO_OUTPUT=silent asks for it).
    static QString outputName();
    // How long a track waits for a sound output that went away before it
    // fails (60 s; tests shorten it).
    static void setOutputTimeoutMs(int ms);

    // How long after a track took the ready pipeline the next is made: long
    // enough for that track to have started.
    static constexpr int kReadyAgainMs = 2000;

Q_SIGNALS:
    void volumeChanged(double volume);
    void mutedChanged(bool muted);

private:
    void applyVolume();

    QPointer<PlaybackPipeline> m_ready;
    // Every pipeline made and not yet torn down.
    QList<QPointer<PlaybackPipeline>> m_pipelines;
    QTimer m_readyAgain;
    double m_volume = 1.0;
    bool m_muted = false;
};
