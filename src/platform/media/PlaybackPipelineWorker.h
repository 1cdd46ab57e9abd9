#pragma once

#include "platform/media/TrackNames.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QUrl>

#include <gst/gst.h>

#include <atomic>
#include <memory>

class QTimer;
class TrackBuffer;

// What a pipeline told, for its GUI side.
struct PipelineReport
{
    enum class Kind {
        StreamStarted, // a track's first samples reached the output
        NextTaken,     // the next track will follow the current one
        Ended,         // the last track played to its end
        Failed,        // the pipeline stopped on an error
        Prerolled,     // the track was read up to its first samples
        Progress,      // position and duration
    };
    // The load the report belongs to, and how many commands were carried
    // out when it was made.
    quint64 generation = 0;
    quint64 applied = 0;
    Kind kind = Kind::Progress;
    qint64 positionMs = -1;
    qint64 durationMs = -1;
    QString error;
};
Q_DECLARE_METATYPE(PipelineReport)

// The part of a PlaybackPipeline that lives on the pipeline's own thread:
// it builds a GStreamer playbin there (with the desktop's sound server as
// its output, named for the sound settings), carries out the GUI side's
// commands in order, and reports what the pipeline does. Setting a
// pipeline's state may wait for its streaming threads; that happens here,
// never on the GUI thread. Only PlaybackPipeline uses it.
class PlaybackPipelineWorker : public QObject
{
    Q_OBJECT

public:
    PlaybackPipelineWorker() = default;
    ~PlaybackPipelineWorker() override;

    // The commands, each run on the pipeline's thread; applied counts them.
    void build(double volume, bool muted);
    void load(quint64 generation, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
              const TrackNames &names);
    void setNext(const std::shared_ptr<TrackBuffer> &buffer, const TrackNames &names);
    void setPlaying(bool playing);
    void seek(qint64 ms);
    void setNames(const TrackNames &names);
    void setVolume(double volume, bool muted);
    void clear(quint64 generation);
    // Empties the pipeline, frees it and ends the thread.
    void tearDown();
    void countCommand() { ++m_applied; }

    // The name of the output in use ("pulsesink", "alsasink" or "fakesink").
    static QString outputName();

Q_SIGNALS:
    void reported(const PipelineReport &report);

private:
    static GstBusSyncReply onBusMessage(GstBus *bus, GstMessage *message, gpointer self);
    static void onSourceSetup(GstElement *playbin, GstElement *source, gpointer self);
    static void onAboutToFinish(GstElement *playbin, gpointer self);
    static GstPadProbeReturn onOutputData(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    GstElement *makeOutput();
    void report(PipelineReport::Kind kind, const QString &error = QString());
    void poll();
    void applyState();

    GstElement *m_pipeline = nullptr;
    QTimer *m_poll = nullptr;
    bool m_loaded = false;
    bool m_playing = false;
    qint64 m_pendingSeekMs = -1;
    std::atomic<quint64> m_generation{0};
    std::atomic<quint64> m_applied{0};

    // Shared with the streaming threads.
    QMutex m_lock;
    std::shared_ptr<TrackBuffer> m_sourceBuffer; // for the next source made
    std::shared_ptr<TrackBuffer> m_next;
    TrackNames m_nextNames;
    TrackNames m_queuedNames; // of the next track, once it was taken
    TrackNames m_outputNames; // of the track the output plays
    bool m_firstStream = true;
    std::atomic<bool> m_tagsDue{false};
};
