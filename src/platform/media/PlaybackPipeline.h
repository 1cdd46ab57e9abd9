#pragma once

#include "platform/media/TrackNames.h"

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
// It plays one source at a time, a TrackBuffer (read as it downloads) or a
// local file, for an owner object; a next source named in time follows the
// current one on the same output, sample for sample, and its owner then
// owns the pipeline. Setting a pipeline's state may wait for its streaming
// threads, so the pipeline is built on its thread and every command goes
// there in order; the GUI side keeps a copy of what it last reported
// (position, duration), which a report replaces only when no later command
// is still on its way. Deleting it posts its teardown to its thread and
// returns at once; the thread ends when the teardown is done.
class PlaybackPipeline : public QObject
{
    Q_OBJECT

public:
    PlaybackPipeline(double volume, bool muted, QObject *parent = nullptr);
    ~PlaybackPipeline() override;

    // Waits, for at most timeoutMs, for the threads of deleted pipelines to
    // end their teardown; called when the application ends.
    static void finishTeardowns(int timeoutMs);
    // How many pipeline threads run now (pipelines alive and teardowns).
    static int runningThreads();

    // Plays source (a buffer, else the file) for owner from its start;
    // paused until play().
    void load(QObject *owner, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
              const TrackNames &names);
    // The source that follows the current one; a null owner: none.
    void setNext(QObject *owner, const std::shared_ptr<TrackBuffer> &buffer, const TrackNames &names);
    void play();
    void pause();
    void seek(qint64 ms);
    // The names of what plays now, for the sound settings.
    void setNames(const TrackNames &names);
    void setVolume(double volume, bool muted);
    // The current source waits for its bytes: the pipeline holds still
    // meanwhile, so that nothing is skipped when they come.
    void setWaiting(bool waiting);
    // Plays nothing any more, ready for another source.
    void clear();

    QObject *owner() const { return m_owner; }
    QObject *nextOwner() const { return m_nextOwner; }
    bool wantsToPlay() const { return m_wantsToPlay; }
    bool hasEnded() const { return m_ended; }
    // It stopped on an error since it was made: playbin is not to be
    // trusted with another source after that.
    bool hasFailed() const { return m_failed; }
    bool isPrerolled() const { return m_prerolled; }
    qint64 positionMs() const { return m_positionMs; }
    // -1 while unknown.
    qint64 durationMs() const { return m_durationMs; }

Q_SIGNALS:
    // The next source now plays on where the previous owner's ended.
    void advanced(QObject *previousOwner);
    void ended(QObject *owner);
    void failed(QObject *owner, const QString &error);
    // The source was read up to its first samples (its length is known).
    void prerolled(QObject *owner);
    void durationChanged(QObject *owner, qint64 ms);
    // A new position was read while playing.
    void progressed(QObject *owner);

private:
    void send(std::function<void(PlaybackPipelineWorker *)> command);
    void onReport(const PipelineReport &report);
    void startLoad(QObject *owner, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
                   const TrackNames &names);
    void applyState();
    // A new source, or none: what was known of the last goes; returns the
    // new generation.
    quint64 forgetSource(QObject *owner);

    QThread *m_thread = nullptr;
    QPointer<PlaybackPipelineWorker> m_worker;
    quint64 m_sent = 0;
    quint64 m_generation = 0;
    QPointer<QObject> m_owner;
    QPointer<QObject> m_nextOwner;
    std::shared_ptr<TrackBuffer> m_nextBuffer;
    TrackNames m_nextNames;
    bool m_nextTaken = false;
    bool m_wantsToPlay = false;
    bool m_waiting = false;
    // What the pipeline was last told: playing or paused.
    bool m_sentPlaying = false;
    bool m_ended = false;
    bool m_failed = false;
    bool m_prerolled = false;
    qint64 m_positionMs = 0;
    qint64 m_durationMs = -1;
};
