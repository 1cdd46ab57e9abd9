#include "platform/media/MediaPlayerWorker.h"

#include "platform/media/StreamProxy.h"

#include <QAudioOutput>
#include <QThread>
#include <QTimer>

namespace {
// While a stream is asked to play but shows no position yet, its position
// is read often, so that the first sound is seen at once; afterwards a few
// times a second is enough for a slider that moves once a second.
constexpr int kStartingPollMs = 5;
constexpr int kPlayingPollMs = 100;

bool operator!=(const MediaPlayerSnapshot &a, const MediaPlayerSnapshot &b)
{
    return a.applied != b.applied || a.state != b.state || a.status != b.status
        || a.duration != b.duration || a.position != b.position || a.error != b.error;
}
} // namespace

void MediaPlayerWorker::create()
{
    StreamProxy::install();
    m_player = new QMediaPlayer(this);
    m_output = new QAudioOutput(this);
    m_player->setAudioOutput(m_output);
    m_poll = new QTimer(this);
    m_poll->setTimerType(Qt::PreciseTimer);
    connect(m_poll, &QTimer::timeout, this, &MediaPlayerWorker::report);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaPlayerWorker::report);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaPlayerWorker::report);
    connect(m_player, &QMediaPlayer::durationChanged, this, &MediaPlayerWorker::report);
    connect(m_player, &QMediaPlayer::positionChanged, this, &MediaPlayerWorker::report);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &MediaPlayerWorker::report);
}

void MediaPlayerWorker::apply(const std::function<void(QMediaPlayer *)> &command)
{
    command(m_player);
    ++m_applied;
    report();
}

void MediaPlayerWorker::report()
{
    MediaPlayerSnapshot now;
    now.applied = m_applied;
    now.state = m_player->playbackState();
    now.status = m_player->mediaStatus();
    now.duration = m_player->duration();
    now.position = m_player->position();
    now.error = m_player->error();
    now.errorText = m_player->errorString();
    if (now != m_last) {
        m_last = now;
        Q_EMIT changed(now);
    }
    updatePolling();
}

void MediaPlayerWorker::updatePolling()
{
    if (m_player->playbackState() != QMediaPlayer::PlayingState) {
        m_poll->stop();
        return;
    }
    const int interval = m_player->position() > 0 ? kPlayingPollMs : kStartingPollMs;
    if (!m_poll->isActive() || m_poll->interval() != interval)
        m_poll->start(interval);
}

void MediaPlayerWorker::tearDown()
{
    if (m_player) {
        m_poll->stop();
        m_player->disconnect(this);
        // The pipeline is emptied before the player goes: deleted with its
        // decoder still linked, Qt 6.4's player is called back from its
        // own teardown. Both steps may wait for the pipeline's streaming
        // threads: it is why the player has a thread of its own.
        m_player->stop();
        m_player->setSource(QUrl());
        delete m_player;
        m_player = nullptr;
    }
    delete m_output;
    m_output = nullptr;
    QThread::currentThread()->quit();
}
