#pragma once

#include "platform/media/TrackNames.h"

#include <QMutex>
#include <QString>

#include <gst/gst.h>

#include <atomic>

// The sound output of a pipeline: the desktop's sound server (pulsesink),
// else the sound card (alsasink); a silent output that keeps time only
// where one is asked for (KAVU_AUDIO_OUTPUT=silent: the headless tour,
// tests without a sound server). Never silently silent: where no output
// opens, open() says so.
//
// The output's format (rate, channels, sample format) is fixed by the
// first track of a chain and every following track is converted to it, so
// that a track of another format follows without the output being opened
// again (which would make a gap). The first track plays as it is, costing
// no conversion; a stereo track that follows a mono one in a chain is
// mixed down (a new chain, a tap, takes its own format again). The output's stream is named after the
// track it plays. Used on its pipeline's thread, but for the names and the
// format, which the streaming threads read.
class PipelineOutput
{
public:
    enum class Kind { None, SoundServer, SoundCard, Silent };

    PipelineOutput() = default;
    ~PipelineOutput();
    PipelineOutput(const PipelineOutput &) = delete;
    PipelineOutput &operator=(const PipelineOutput &) = delete;

    // Opens the output: the sound server, else the sound card. False, with
    // why, when neither opens. The element may be a new one.
    bool open(QString *error);
    // Opens the sound server only, ahead of any track (the sound card is
    // not taken from a sound server that may start later).
    bool openAhead();
    // Closes it (a sound server that went away).
    void close();
    bool isOpen() const { return m_open; }
    // Whether the kind of output that was open answers again now, tried
    // apart from the pipeline.
    bool answersAgain() const;

    // What playbin plays into (null before the first open).
    GstElement *element() const { return m_bin; }
    bool contains(GstObject *object) const;
    // The next track sets the format anew (a new chain starts).
    void freeFormat();
    // The next stream to start is the current track's own (loaded again):
    // it keeps its names.
    void expectCurrentStream();

    // The names of the track that sounds now, and of the one that follows
    // it on this output, for the sound settings.
    void setNames(const TrackNames &names);
    void setFollowingNames(const TrackNames &names);

    // The output in use by the pipelines ("pulsesink", "alsasink",
    // "fakesink"), for tests and the benchmark.
    static QString outputName();

private:
    bool build(Kind kind);
    void dropBin();
    static GstPadProbeReturn onFormat(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    static GstPadProbeReturn onSinkData(GstPad *pad, GstPadProbeInfo *info, gpointer self);

    GstElement *m_bin = nullptr;
    GstElement *m_filter = nullptr;
    Kind m_kind = Kind::None;
    bool m_open = false;

    // Shared with the streaming threads.
    QMutex m_lock;
    bool m_formatFixed = false;
    TrackNames m_names;
    TrackNames m_followingNames;
    bool m_firstStream = true;
    std::atomic<bool> m_tagsDue{false};
};
