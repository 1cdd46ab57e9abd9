#include "platform/media/PlaybackPipeline.h"

#include "platform/media/PlaybackPipelineWorker.h"
#include "platform/media/TrackBuffer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSet>
#include <QThread>
#include <QTimer>

namespace {

// The pipeline threads that still run, GUI thread only.
QSet<QThread *> &threads()
{
    static QSet<QThread *> running;
    return running;
}

// Deletes a thread object once its thread has ended, without waiting for it.
void reap(QThread *thread)
{
    if (!thread->isFinished()) {
        QTimer::singleShot(5, QCoreApplication::instance(), [thread] { reap(thread); });
        return;
    }
    threads().remove(thread);
    delete thread;
}

} // namespace

PlaybackPipeline::PlaybackPipeline(double volume, bool muted, QObject *parent)
    : QObject(parent)
{
    static const bool registered = [] {
        qRegisterMetaType<PipelineReport>();
        qAddPostRoutine([] { finishTeardowns(3000); });
        return true;
    }();
    Q_UNUSED(registered);
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("kavu-audio"));
    threads().insert(m_thread);
    auto *worker = new PlaybackPipelineWorker;
    worker->moveToThread(m_thread);
    m_worker = worker;
    QObject::connect(m_thread, &QThread::finished, worker, &QObject::deleteLater);
    QThread *thread = m_thread;
    QObject::connect(m_thread, &QThread::finished, QCoreApplication::instance(), [thread] { reap(thread); },
                     Qt::QueuedConnection);
    connect(worker, &PlaybackPipelineWorker::reported, this, &PlaybackPipeline::onReport, Qt::QueuedConnection);
    m_thread->start();
    send([volume, muted](PlaybackPipelineWorker *w) { w->build(volume, muted); });
}

PlaybackPipeline::~PlaybackPipeline()
{
    // The reports stop here (the connection goes with this object); the
    // pipeline goes on its own thread, which then ends.
    if (m_worker)
        QMetaObject::invokeMethod(m_worker, &PlaybackPipelineWorker::tearDown, Qt::QueuedConnection);
}

void PlaybackPipeline::finishTeardowns(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QSet<QThread *> running = threads();
    for (QThread *thread : running) {
        if (!thread->wait(deadline))
            continue;
        threads().remove(thread);
        delete thread;
    }
}

int PlaybackPipeline::runningThreads()
{
    return int(threads().size());
}

void PlaybackPipeline::send(std::function<void(PlaybackPipelineWorker *)> command)
{
    ++m_sent;
    PlaybackPipelineWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker, command = std::move(command)] {
            command(worker);
            worker->countCommand();
        },
        Qt::QueuedConnection);
}

quint64 PlaybackPipeline::forgetSource(QObject *owner)
{
    m_owner = owner;
    m_nextOwner = nullptr;
    m_nextBuffer.reset();
    m_nextNames = TrackNames();
    m_nextTaken = false;
    m_ended = false;
    m_prerolled = false;
    m_waiting = false;
    m_sentPlaying = false;
    m_positionMs = 0;
    m_durationMs = -1;
    return ++m_generation;
}

void PlaybackPipeline::startLoad(QObject *owner, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
                                 const TrackNames &names)
{
    const quint64 generation = forgetSource(owner);
    send([generation, buffer, file, names](PlaybackPipelineWorker *w) { w->load(generation, buffer, file, names); });
}

void PlaybackPipeline::load(QObject *owner, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
                            const TrackNames &names)
{
    m_wantsToPlay = false;
    startLoad(owner, buffer, file, names);
}

void PlaybackPipeline::setNext(QObject *owner, const std::shared_ptr<TrackBuffer> &buffer, const TrackNames &names)
{
    m_nextOwner = owner;
    m_nextBuffer = owner ? buffer : nullptr;
    m_nextNames = names;
    std::shared_ptr<TrackBuffer> next = m_nextBuffer;
    send([next, names](PlaybackPipelineWorker *w) { w->setNext(next, names); });
}

void PlaybackPipeline::play()
{
    // Played again at its end, a track starts over.
    if (m_ended)
        seek(0);
    m_wantsToPlay = true;
    applyState();
}

void PlaybackPipeline::pause()
{
    m_wantsToPlay = false;
    applyState();
}

void PlaybackPipeline::applyState()
{
    // Waiting before its first samples, a track cannot play anyway; once it
    // has, it holds still rather than let the output run dry.
    const bool playing = m_wantsToPlay && !(m_waiting && m_prerolled);
    if (playing == m_sentPlaying)
        return;
    m_sentPlaying = playing;
    send([playing](PlaybackPipelineWorker *w) { w->setPlaying(playing); });
}

void PlaybackPipeline::seek(qint64 ms)
{
    m_positionMs = qMax<qint64>(0, ms);
    m_ended = false;
    send([ms](PlaybackPipelineWorker *w) { w->seek(ms); });
}

void PlaybackPipeline::setNames(const TrackNames &names)
{
    send([names](PlaybackPipelineWorker *w) { w->setNames(names); });
}

void PlaybackPipeline::setVolume(double volume, bool muted)
{
    send([volume, muted](PlaybackPipelineWorker *w) { w->setVolume(volume, muted); });
}

void PlaybackPipeline::setWaiting(bool waiting)
{
    m_waiting = waiting;
    applyState();
}

void PlaybackPipeline::clear()
{
    m_wantsToPlay = false;
    const quint64 generation = forgetSource(nullptr);
    send([generation](PlaybackPipelineWorker *w) { w->clear(generation); });
}

void PlaybackPipeline::onReport(const PipelineReport &report)
{
    // Reports of an earlier source speak of what no longer plays.
    if (report.generation != m_generation)
        return;
    // A receiver may drop this pipeline on any of these signals.
    QPointer<PlaybackPipeline> self(this);
    switch (report.kind) {
    case PipelineReport::Kind::NextTaken:
        m_nextTaken = true;
        break;
    case PipelineReport::Kind::StreamStarted:
        if (m_nextTaken) {
            m_nextTaken = false;
            QObject *previous = m_owner;
            m_owner = m_nextOwner;
            m_nextOwner = nullptr;
            m_nextBuffer.reset();
            m_waiting = false;
            m_positionMs = 0;
            m_durationMs = -1;
            Q_EMIT advanced(previous);
        }
        break;
    case PipelineReport::Kind::Ended:
        if (m_nextOwner && m_nextBuffer) {
            // Named too late to follow sample for sample: it starts now.
            // (Copies: starting a load forgets the next source.)
            QObject *previous = m_owner;
            QObject *next = m_nextOwner;
            const std::shared_ptr<TrackBuffer> buffer = m_nextBuffer;
            const TrackNames names = m_nextNames;
            startLoad(next, buffer, QUrl(), names);
            applyState();
            Q_EMIT advanced(previous);
        } else {
            m_ended = true;
            Q_EMIT ended(m_owner);
        }
        break;
    case PipelineReport::Kind::Failed:
        m_failed = true;
        Q_EMIT failed(m_owner, report.error);
        break;
    case PipelineReport::Kind::Prerolled:
        if (!m_prerolled) {
            m_prerolled = true;
            applyState();
            if (self)
                Q_EMIT prerolled(m_owner);
        }
        break;
    case PipelineReport::Kind::Progress:
        if (report.applied != m_sent)
            break;
        if (report.positionMs >= 0)
            m_positionMs = report.positionMs;
        if (report.durationMs >= 0 && report.durationMs != m_durationMs) {
            m_durationMs = report.durationMs;
            Q_EMIT durationChanged(m_owner, m_durationMs);
        }
        if (self)
            Q_EMIT progressed(m_owner);
        break;
    }
}
