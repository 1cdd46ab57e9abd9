#include "platform/media/MediaStreamingPlayer.h"

#include "platform/media/MediaPlayerHost.h"
#include "platform/media/MediaStreamingPlayerItem.h"

#include <cmath>
#include <limits>

MediaStreamingPlayer::MediaStreamingPlayer(MediaStreamingPlayerItem *item, MediaPlayerHost *host,
                                           QObject *parent)
    : StreamingPlayer(parent)
{
    m_tick.setTimerType(Qt::CoarseTimer);
    m_startDeadline.setSingleShot(true);
    connect(&m_startDeadline, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("The stream did not start in time.")); });
    connect(&m_tick, &QTimer::timeout, this, [this] {
        const double now = currentTime();
        // Observers may remove themselves or drop the player.
        const QList<TimeObserver> observers = m_observers.values();
        QPointer<MediaStreamingPlayer> self(this);
        for (const TimeObserver &observer : observers) {
            if (!self)
                return;
            observer(now);
        }
    });
    if (host)
        useHost(host);
    attach(item);
}

MediaStreamingPlayer::~MediaStreamingPlayer()
{
    m_tick.stop();
    m_startDeadline.stop();
    // The media player is torn down on its own thread; nothing waits here.
    if (m_host) {
        m_host->disconnect(this);
        m_host->pause();
        delete m_host;
    }
}

void MediaStreamingPlayer::useHost(MediaPlayerHost *host)
{
    m_host = host;
    m_host->setParent(this);
    connect(m_host, &MediaPlayerHost::playbackStateChanged, this, &MediaStreamingPlayer::updateTick);
    connect(m_host, &MediaPlayerHost::mediaStatusChanged, this, &MediaStreamingPlayer::onStatusChanged);
    connect(m_host, &MediaPlayerHost::errorOccurred, this, &MediaStreamingPlayer::onError);
    connect(m_host, &MediaPlayerHost::durationChanged, this, [this](qint64 ms) {
        if (m_item)
            m_item->setDuration(ms > 0 ? ms / 1000.0 : std::numeric_limits<double>::quiet_NaN());
    });
}

void MediaStreamingPlayer::retireHost()
{
    if (!m_host)
        return;
    // Paused first, so that it is silent at once; then it goes, on its own
    // thread, however long its stream takes to let go. Later, because this
    // may run inside one of its own signals.
    MediaPlayerHost *old = m_host;
    m_host = nullptr;
    old->disconnect(this);
    old->pause();
    old->setParent(nullptr);
    old->deleteLater();
    updateTick();
}

QMediaPlayer::PlaybackState MediaStreamingPlayer::playbackState() const
{
    return m_host ? m_host->playbackState() : QMediaPlayer::StoppedState;
}

void MediaStreamingPlayer::attach(MediaStreamingPlayerItem *item)
{
    m_item = item;
    m_itemFailed = false;
    m_startDeadline.stop();
    m_startTimeLeftMs = 0;
    if (m_host && m_host->hasSource())
        retireHost();
    if (item) {
        item->setParent(this);
        if (!m_host)
            useHost(new MediaPlayerHost);
        m_host->setSource(item->url());
    }
}

void MediaStreamingPlayer::play()
{
    if (!m_item || !m_host)
        return;
    const QMediaPlayer::MediaStatus status = m_host->mediaStatus();
    // The start deadline runs only while the stream is asked to play; after
    // a pause it goes on with the time it had left.
    if (!m_itemFailed && !m_startDeadline.isActive()
        && (status == QMediaPlayer::NoMedia || status == QMediaPlayer::LoadingMedia))
        m_startDeadline.start(m_startTimeLeftMs > 0 ? m_startTimeLeftMs : m_startTimeoutMs);
    m_startTimeLeftMs = 0;
    m_host->play();
}

void MediaStreamingPlayer::pause()
{
    if (m_startDeadline.isActive()) {
        m_startTimeLeftMs = qMax(1, m_startDeadline.remainingTime());
        m_startDeadline.stop();
    }
    if (m_host)
        m_host->pause();
}

float MediaStreamingPlayer::rate() const
{
    return m_item && playbackState() == QMediaPlayer::PlayingState ? 1.0f : 0.0f;
}

void MediaStreamingPlayer::seekToTime(double seconds)
{
    if (!std::isfinite(seconds) || !m_host)
        return;
    m_host->setPosition(qMax<qint64>(0, qRound64(seconds * 1000.0)));
}

double MediaStreamingPlayer::currentTime() const
{
    return m_host ? m_host->position() / 1000.0 : 0.0;
}

StreamingPlayerItem *MediaStreamingPlayer::currentItem() const
{
    return m_item;
}

void MediaStreamingPlayer::replaceCurrentItemWithPlayerItem(StreamingPlayerItem *item)
{
    MediaStreamingPlayerItem *previous = m_item;
    if (previous == item)
        return;
    attach(qobject_cast<MediaStreamingPlayerItem *>(item));
    if (previous)
        previous->deleteLater();
}

int MediaStreamingPlayer::addPeriodicTimeObserver(double intervalSeconds, TimeObserver observer)
{
    const int token = m_nextToken++;
    m_observers.insert(token, std::move(observer));
    m_tick.setInterval(qMax(1, qRound(intervalSeconds * 1000.0)));
    updateTick();
    return token;
}

void MediaStreamingPlayer::removeTimeObserver(int token)
{
    m_observers.remove(token);
    updateTick();
}

void MediaStreamingPlayer::updateTick()
{
    // The tick runs only while something plays and someone listens.
    const bool run = !m_observers.isEmpty() && playbackState() == QMediaPlayer::PlayingState;
    if (run && !m_tick.isActive())
        m_tick.start();
    else if (!run)
        m_tick.stop();
}

void MediaStreamingPlayer::onStatusChanged(QMediaPlayer::MediaStatus status)
{
    if (status != QMediaPlayer::NoMedia && status != QMediaPlayer::LoadingMedia) {
        m_startDeadline.stop();
        m_startTimeLeftMs = 0;
    }
    if (status == QMediaPlayer::EndOfMedia && m_item)
        Q_EMIT m_item->didPlayToEndTime();
}

void MediaStreamingPlayer::onError(QMediaPlayer::Error error, const QString &text)
{
    // The backend may report one broken stream more than once; the item
    // fails once.
    if (error == QMediaPlayer::NoError)
        return;
    fail(text);
}

void MediaStreamingPlayer::fail(const QString &text)
{
    if (m_itemFailed)
        return;
    m_itemFailed = true;
    m_startDeadline.stop();
    QPointer<MediaStreamingPlayerItem> item = m_item;
    // The backend keeps reporting Playing after an error; it is retired,
    // and a new one is made when there is something to play again.
    retireHost();
    if (item)
        Q_EMIT item->failedToPlayToEndTime(text.isEmpty() ? QStringLiteral("The track cannot be played.")
                                                          : text);
}
