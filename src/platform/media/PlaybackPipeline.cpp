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

quint64 PlaybackPipeline::newStream()
{
    static quint64 last = 0;
    return ++last;
}

qint64 PlaybackPipeline::positionMs() const
{
    // The pipeline reports its position twice a second; in between it has
    // moved on by the time since, if it plays.
    if (!m_moving || !m_wantsToPlay || m_ended || m_waitingForOutput || !m_positionAge.isValid())
        return m_positionMs;
    const qint64 now = m_positionMs + m_positionAge.elapsed();
    return m_durationMs >= 0 ? qMin(now, m_durationMs) : now;
}

void PlaybackPipeline::setPosition(qint64 ms, bool moving)
{
    m_positionMs = ms;
    m_moving = moving;
    m_positionAge.restart();
}

void PlaybackPipeline::forgetStream(quint64 stream)
{
    m_current = stream;
    m_next = 0;
    m_ended = false;
    m_prerolled = false;
    m_waitingForOutput = false;
    setPosition(0, false);
    m_durationMs = -1;
}

void PlaybackPipeline::load(quint64 stream, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
                            const TrackNames &names)
{
    m_wantsToPlay = false;
    forgetStream(stream);
    PipelineSource source{stream, buffer, file, names};
    send([source](PlaybackPipelineWorker *w) { w->load(source); });
}

void PlaybackPipeline::setNext(quint64 stream, const std::shared_ptr<TrackBuffer> &buffer, const TrackNames &names)
{
    m_next = stream;
    PipelineSource source;
    if (stream)
        source = PipelineSource{stream, buffer, QUrl(), names};
    send([source](PlaybackPipelineWorker *w) { w->setNext(source); });
}

void PlaybackPipeline::play()
{
    // Played again at its end, a track starts over.
    if (m_ended)
        seek(0);
    if (m_wantsToPlay)
        return;
    m_wantsToPlay = true;
    send([](PlaybackPipelineWorker *w) { w->setPlaying(true); });
}

void PlaybackPipeline::pause()
{
    if (!m_wantsToPlay)
        return;
    // Held where it is now, until the pipeline says where it stopped.
    setPosition(positionMs(), false);
    m_wantsToPlay = false;
    send([](PlaybackPipelineWorker *w) { w->setPlaying(false); });
}

void PlaybackPipeline::seek(qint64 ms)
{
    setPosition(qMax<qint64>(0, ms), m_moving);
    m_ended = false;
    send([ms](PlaybackPipelineWorker *w) { w->seek(ms); });
}

void PlaybackPipeline::reload()
{
    send([](PlaybackPipelineWorker *w) { w->reload(); });
}

void PlaybackPipeline::setNames(const TrackNames &names)
{
    send([names](PlaybackPipelineWorker *w) { w->setNames(names); });
}

void PlaybackPipeline::setVolume(double volume, bool muted)
{
    send([volume, muted](PlaybackPipelineWorker *w) { w->setVolume(volume, muted); });
}

void PlaybackPipeline::clear()
{
    m_wantsToPlay = false;
    forgetStream(0);
    send([](PlaybackPipelineWorker *w) { w->clear(); });
}

void PlaybackPipeline::onReport(const PipelineReport &report)
{
    // A receiver may drop this pipeline on any of these signals.
    QPointer<PlaybackPipeline> self(this);
    const bool current = report.stream != 0 && report.stream == m_current;
    switch (report.kind) {
    case PipelineReport::Kind::Advanced:
        // Reports of an earlier stream speak of what no longer plays.
        if (report.previous != m_current)
            break;
        if (report.stream != m_next) {
            // A stream nobody names any more: it is silenced, and the
            // current one ended as if nothing followed.
            m_current = 0;
            m_ended = true;
            pause();
            Q_EMIT ended(report.previous);
            break;
        }
        forgetStream(report.stream);
        m_prerolled = true;
        Q_EMIT advanced(report.previous, report.stream);
        break;
    case PipelineReport::Kind::Ended:
        if (!current)
            break;
        m_ended = true;
        Q_EMIT ended(report.stream);
        break;
    case PipelineReport::Kind::Failed:
        if (current) {
            m_failed = true;
            Q_EMIT failed(report.stream, report.error);
        } else if (report.stream != 0 && report.stream == m_next) {
            Q_EMIT failed(report.stream, report.error);
        }
        break;
    case PipelineReport::Kind::Prerolled:
        if (!current || m_prerolled)
            break;
        m_prerolled = true;
        Q_EMIT prerolled(report.stream);
        break;
    case PipelineReport::Kind::OutputWaiting:
        if (!current)
            break;
        if (report.applied == m_sent && report.positionMs >= 0)
            setPosition(report.positionMs, false);
        m_waitingForOutput = report.waiting;
        Q_EMIT waitingForOutputChanged(report.stream, report.waiting);
        break;
    case PipelineReport::Kind::Progress:
        if (!current || report.applied != m_sent)
            break;
        if (report.positionMs >= 0)
            setPosition(report.positionMs, report.playing);
        if (report.durationMs >= 0 && report.durationMs != m_durationMs) {
            m_durationMs = report.durationMs;
            Q_EMIT durationChanged(m_current, m_durationMs);
        }
        if (self)
            Q_EMIT progressed(m_current);
        break;
    }
}
