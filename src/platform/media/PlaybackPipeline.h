#pragma once

#include "platform/media/TrackNames.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class PlaybackPipelineWorker;
class QThread;
class TrackBuffer;
struct PipelineReport;

// One GStreamer playbin with its sound output, on a thread of its own,
// driven from the GUI thread without ever waiting for it.
//
// It plays one stream at a time, a TrackBuffer (read as it downloads) or a
// local file; each stream is told apart by a number of its own
// (newStream()), which every signal names. A following stream named in
// time follows the current one on the same output, sample for sample: the
// pipeline says advanced() when its first samples sound. Setting a
// pipeline's state may wait for its streaming threads, so the pipeline is
// built on its thread and every command goes there in order; the GUI side
// keeps a copy of what it last reported (position, duration), which a
// report replaces only when no later command is still on its way.
// Deleting it posts its teardown to its thread and returns at once; the
// thread ends when the teardown is done.
class PlaybackPipeline : public QObject
{
    Q_OBJECT

public:
    PlaybackPipeline(double volume, bool muted, QObject *parent = nullptr);
    ~PlaybackPipeline() override;

    // A number for a new stream, never given before.
    static quint64 newStream();
    // Waits, for at most timeoutMs, for the threads of deleted pipelines to
    // end their teardown; called when the application ends.
    static void finishTeardowns(int timeoutMs);
    // How many pipeline threads run now (pipelines alive and teardowns).
    static int runningThreads();

    // Plays stream (a buffer, else the file) from its start; paused until
    // play().
    void load(quint64 stream, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
              const TrackNames &names);
    // The stream that follows the current one; 0: none.
    void setNext(quint64 stream, const std::shared_ptr<TrackBuffer> &buffer, const TrackNames &names);
    void play();
    void pause();
    void seek(qint64 ms);
    // Reads the current stream afresh where it plays (its bytes changed).
    void reload();
    // The names of what plays now, for the sound settings.
    void setNames(const TrackNames &names);
    void setVolume(double volume, bool muted);
    // Plays nothing any more, ready for another stream.
    void clear();

    quint64 current() const { return m_current; }
    quint64 next() const { return m_next; }
    bool wantsToPlay() const { return m_wantsToPlay; }
    bool hasEnded() const { return m_ended; }
    // It stopped on an error since it was made: playbin is not to be
    // trusted with another stream after that.
    bool hasFailed() const { return m_failed; }
    bool isPrerolled() const { return m_prerolled; }
    // The sound output went away; playback goes on when it is back.
    bool isWaitingForOutput() const { return m_waitingForOutput; }
    // Where it plays: as last reported, and on from there while it plays.
    qint64 positionMs() const;
    // -1 while unknown.
    qint64 durationMs() const { return m_durationMs; }

Q_SIGNALS:
    // stream now sounds where previous ended.
    void advanced(quint64 previous, quint64 stream);
    void ended(quint64 stream);
    void failed(quint64 stream, const QString &error);
    // The stream was read up to its first samples (its length is known).
    void prerolled(quint64 stream);
    void durationChanged(quint64 stream, qint64 ms);
    // A new position was read while playing.
    void progressed(quint64 stream);
    void waitingForOutputChanged(quint64 stream, bool waiting);

private:
    void send(std::function<void(PlaybackPipelineWorker *)> command);
    void onReport(const PipelineReport &report);
    // A new stream, or none: what was known of the last goes.
    void forgetStream(quint64 stream);
    void setPosition(qint64 ms, bool moving);

    QThread *m_thread = nullptr;
    QPointer<PlaybackPipelineWorker> m_worker;
    quint64 m_sent = 0;
    quint64 m_current = 0;
    quint64 m_next = 0;
    bool m_wantsToPlay = false;
    bool m_ended = false;
    bool m_failed = false;
    bool m_prerolled = false;
    bool m_waitingForOutput = false;
    qint64 m_positionMs = 0;
    qint64 m_durationMs = -1;
    // Since when m_positionMs holds, and whether the pipeline played then.
    QElapsedTimer m_positionAge;
    bool m_moving = false;
};
