#include "platform/media/MediaPlayerHost.h"

#include "platform/media/MediaPlayerWorker.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QSet>
#include <QThread>
#include <QTimer>

namespace {

// The player threads that still run, GUI thread only.
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

void MediaPlayerHost::prepareMediaFramework()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    qRegisterMetaType<QMediaPlayer::PlaybackState>();
    qRegisterMetaType<QMediaPlayer::MediaStatus>();
    qRegisterMetaType<QMediaPlayer::Error>();
    qRegisterMetaType<MediaPlayerSnapshot>();
    // The media integration and its device monitor are made by whoever
    // asks first, and stay with that thread.
    QMediaDevices::defaultAudioOutput();
    qAddPostRoutine([] { finishTeardowns(3000); });
}

void MediaPlayerHost::finishTeardowns(int timeoutMs)
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

int MediaPlayerHost::runningThreads()
{
    return int(threads().size());
}

MediaPlayerHost::MediaPlayerHost(QObject *parent)
    : QObject(parent)
{
    prepareMediaFramework();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("kavu-media"));
    threads().insert(m_thread);
    auto *worker = new MediaPlayerWorker;
    worker->moveToThread(m_thread);
    m_worker = worker;
    QObject::connect(m_thread, &QThread::finished, worker, &QObject::deleteLater);
    QThread *thread = m_thread;
    QObject::connect(m_thread, &QThread::finished, QCoreApplication::instance(), [thread] { reap(thread); },
                     Qt::QueuedConnection);
    connect(worker, &MediaPlayerWorker::changed, this, &MediaPlayerHost::onSnapshot);
    m_thread->start();
    QMetaObject::invokeMethod(worker, &MediaPlayerWorker::create, Qt::QueuedConnection);
}

MediaPlayerHost::~MediaPlayerHost()
{
    // The reports stop here (the connections go with this object); the
    // player goes on its own thread, which then ends.
    if (m_worker)
        QMetaObject::invokeMethod(m_worker, &MediaPlayerWorker::tearDown, Qt::QueuedConnection);
}

void MediaPlayerHost::send(std::function<void(QMediaPlayer *)> command)
{
    ++m_sent;
    MediaPlayerWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, command = std::move(command)] { worker->apply(command); }, Qt::QueuedConnection);
}

void MediaPlayerHost::resetForSource(const QUrl &url, bool hasSource)
{
    m_source = url;
    m_hasSource = hasSource;
    m_position = 0;
    m_errorTold = false;
    setDuration(0);
    setState(QMediaPlayer::StoppedState);
    setStatus(hasSource ? QMediaPlayer::LoadingMedia : QMediaPlayer::NoMedia);
}

void MediaPlayerHost::setSource(const QUrl &url)
{
    resetForSource(url, !url.isEmpty());
    send([url](QMediaPlayer *player) { player->setSource(url); });
}

void MediaPlayerHost::play()
{
    if (m_hasSource)
        setState(QMediaPlayer::PlayingState);
    send([](QMediaPlayer *player) { player->play(); });
}

void MediaPlayerHost::pause()
{
    if (m_hasSource)
        setState(QMediaPlayer::PausedState);
    send([](QMediaPlayer *player) { player->pause(); });
}

void MediaPlayerHost::setPosition(qint64 ms)
{
    m_position = qMax<qint64>(0, ms);
    send([ms](QMediaPlayer *player) { player->setPosition(ms); });
}

void MediaPlayerHost::setState(QMediaPlayer::PlaybackState state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT playbackStateChanged(state);
}

void MediaPlayerHost::setStatus(QMediaPlayer::MediaStatus status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT mediaStatusChanged(status);
}

void MediaPlayerHost::setDuration(qint64 ms)
{
    if (ms == m_duration)
        return;
    m_duration = ms;
    Q_EMIT durationChanged(ms);
}

void MediaPlayerHost::onSnapshot(const MediaPlayerSnapshot &snapshot)
{
    // A report from before the latest command would undo what it did, or
    // speak of a source that is gone.
    if (snapshot.applied != m_sent)
        return;
    // A receiver may drop this host on any of these signals.
    QPointer<MediaPlayerHost> self(this);
    setDuration(snapshot.duration);
    if (self && snapshot.position != m_position) {
        m_position = snapshot.position;
        Q_EMIT positionChanged(m_position);
    }
    if (self)
        setStatus(snapshot.status);
    if (self)
        setState(snapshot.state);
    if (self && snapshot.error != QMediaPlayer::NoError && !m_errorTold) {
        m_errorTold = true;
        Q_EMIT errorOccurred(snapshot.error, snapshot.errorText);
    }
}
