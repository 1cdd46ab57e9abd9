#pragma once

#include "platform/media/PipelineOutput.h"
#include "platform/media/TrackNames.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QHash>
#include <QString>
#include <QUrl>

#include <gst/gst.h>

#include <atomic>
#include <memory>

class QTimer;
class TrackBuffer;

// One source a pipeline plays: a track as it downloads, or a local file,
// told apart from every other by its stream number.
struct PipelineSource
{
    quint64 stream = 0;
    std::shared_ptr<TrackBuffer> buffer;
    QUrl file;
    TrackNames names;

    bool isSet() const { return stream != 0; }
};

// What a pipeline told, for its GUI side; each report names its stream.
struct PipelineReport
{
    enum class Kind {
        Advanced,      // stream now sounds where previous ended
        Ended,         // stream played to its end, and nothing follows
        Failed,        // stream cannot be played (error says why)
        Prerolled,     // stream was read up to its first samples
        Progress,      // stream's position and duration
        OutputWaiting, // the sound output went away (waiting) or came back
    };
    // How many commands were carried out when it was made.
    quint64 applied = 0;
    Kind kind = Kind::Progress;
    quint64 stream = 0;
    quint64 previous = 0;
    qint64 positionMs = -1;
    qint64 durationMs = -1;
    // Progress: whether the position moves on (the pipeline plays).
    bool playing = false;
    bool waiting = false;
    QString error;
};
Q_DECLARE_METATYPE(PipelineReport)

// The part of a PlaybackPipeline that lives on the pipeline's own thread:
// it builds a GStreamer playbin there, carries out the GUI side's commands
// in order, and reports what the pipeline does. Setting a pipeline's state
// may wait for its streaming threads; that happens here, never on the GUI
// thread. Only PlaybackPipeline uses it.
//
// A following source goes through four states: named (setNext), taken
// (playbin set it on about-to-finish, while the current one's last bytes
// were read), switching (its stream started, while the current one's last
// samples still sound) and playing (the hand-over is reported once its
// first samples sound). A command that concerns the current source while
// the following one is taken or switching (a seek, naming another, a
// failure of the following one, bytes of it that do not come) puts it back
// to named by loading the current source again where it is: playbin would
// apply it to the following source otherwise. The same reload carries
// playback over when the sound output had to be opened again.
class PlaybackPipelineWorker : public QObject
{
    Q_OBJECT

public:
    PlaybackPipelineWorker() = default;
    ~PlaybackPipelineWorker() override;

    // The commands, each run on the pipeline's thread; applied counts them.
    void build(double volume, bool muted);
    void load(const PipelineSource &source);
    void setNext(const PipelineSource &source);
    void setPlaying(bool playing);
    void seek(qint64 ms);
    // Loads the current source again where it plays (its bytes changed).
    void reload();
    void setNames(const TrackNames &names);
    void setVolume(double volume, bool muted);
    void clear();
    // Empties the pipeline, frees it and ends the thread.
    void tearDown();
    void countCommand() { ++m_applied; }

    // How long playback waits for a sound output that went away before
    // the track fails (tests shorten it).
    static void setOutputTimeoutMs(int ms);

Q_SIGNALS:
    void reported(const PipelineReport &report);

private:
    static GstBusSyncReply onBusMessage(GstBus *bus, GstMessage *message, gpointer self);
    static void onSourceSetup(GstElement *playbin, GstElement *source, gpointer self);
    static void onAboutToFinish(GstElement *playbin, gpointer self);

    void report(PipelineReport::Kind kind, quint64 stream, const QString &error = QString());
    // Loads the current source, from startMs when not negative.
    void loadCurrent(qint64 startMs);
    // Puts a taken or switching source back to named (Keep; KeepForEnd:
    // to follow only at the end), or drops it, or names another in its
    // place, and goes on with the current one at ms (where it is now when
    // negative).
    enum class Untake { Keep, KeepForEnd, Drop, Replace };
    void untake(Untake how, const PipelineSource &replacement = PipelineSource(), qint64 ms = -1);
    void handOver();
    void applyState();
    void poll();
    qint64 currentPositionMs();
    bool seekNow(qint64 ms);

    // From the bus and the streaming threads, carried to this thread.
    void onStreamStarted(guint group);
    void onEnded();
    void onError(quint64 stream, bool fromOutput, const QString &error);
    void onPrerolled();
    void onSourceWaiting(quint64 stream, bool waiting);
    void onTakenWaitedTooLong();
    // The sound output.
    void onOutputLost(const QString &error);
    void retryOutput();
    // The stream that plays now, as the GUI thread last named it.
    quint64 currentStream();
    // Tells the GUI that the sound output is away (playback held at
    // m_resumeAtMs) or back.
    void reportOutputWaiting(quint64 stream, bool waiting);

    // Which stream an element of the pipeline belongs to (0: none known).
    quint64 streamOfElement(GstObject *element);

    GstElement *m_pipeline = nullptr;
    PipelineOutput m_output;
    QTimer *m_poll = nullptr;
    QTimer *m_takenWait = nullptr;
    QTimer *m_holdAfter = nullptr;
    QTimer *m_outputRetry = nullptr;
    bool m_loaded = false;
    bool m_playing = false;
    // Waits for bytes with its first samples read since the last flush:
    // held still, so that the output does not run dry and skip them.
    bool m_held = false;
    bool m_prerolledSinceFlush = false;
    bool m_prerollReported = false;
    bool m_reopenedAtLoad = false;
    // Each load of the pipeline; messages of an earlier one are dropped.
    std::atomic<quint64> m_run{0};
    // The stream group of the current track, once its stream started.
    bool m_currentGroupKnown = false;
    guint m_currentGroup = 0;
    // A (re)load that starts at m_pendingSeekMs stays paused until it is
    // there.
    bool m_settling = false;
    qint64 m_pendingSeekMs = -1;
    GstState m_state = GST_STATE_NULL;
    qint64 m_lastPositionMs = 0;
    QElapsedTimer m_sinceLastPosition;
    QElapsedTimer m_switchingFor;
    // The output went away: where to go on, since when, and why.
    bool m_outputLost = false;
    qint64 m_resumeAtMs = 0;
    QElapsedTimer m_outputLostFor;
    QString m_outputError;
    // Reads waiting for their bytes, by stream.
    QHash<quint64, int> m_waitingStreams;
    std::atomic<quint64> m_applied{0};

    // Shared with the streaming threads.
    QMutex m_lock;
    PipelineSource m_current;
    PipelineSource m_next;
    PipelineSource m_taken;
    bool m_switching = false;
    // A following source whose bytes did not come in time follows only at
    // the current one's end, once its own reads can wait.
    bool m_nextAtEnd = false;
    // A following source failed since playbin was last emptied.
    bool m_followingFailed = false;
};
