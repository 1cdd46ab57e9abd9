#include "platform/media/MediaStreamingPlayer.h"

#include "platform/media/MediaStreamingPlayerItem.h"

#include <cmath>

MediaStreamingPlayer::MediaStreamingPlayer(MediaStreamingPlayerItem *item, QObject *parent)
    : StreamingPlayer(parent)
{
    m_tick.setTimerType(Qt::CoarseTimer);
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
    attach(item);
}

MediaStreamingPlayer::~MediaStreamingPlayer()
{
    m_tick.stop();
    // The item goes with the player; its pipeline goes back to the engine.
    if (m_next)
        m_next->stopFollowing();
    if (m_item)
        m_item->release();
}

void MediaStreamingPlayer::attach(MediaStreamingPlayerItem *item)
{
    m_item = item;
    if (!item) {
        updateTick();
        return;
    }
    item->setParent(this);
    connect(item, &MediaStreamingPlayerItem::playbackChanged, this, &MediaStreamingPlayer::updateTick);
    // An item that followed another plays on as it is; any other is loaded,
    // to wait for play().
    item->ensurePipeline();
    updateTick();
}

void MediaStreamingPlayer::play()
{
    if (m_item)
        m_item->play();
}

void MediaStreamingPlayer::pause()
{
    if (m_item)
        m_item->pause();
}

float MediaStreamingPlayer::rate() const
{
    return m_item && m_item->isPlaying() ? 1.0f : 0.0f;
}

void MediaStreamingPlayer::seekToTime(double seconds)
{
    if (m_item && std::isfinite(seconds))
        m_item->seek(qMax<qint64>(0, qRound64(seconds * 1000.0)));
}

double MediaStreamingPlayer::currentTime() const
{
    return m_item ? m_item->currentTime() : 0.0;
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
    if (previous) {
        disconnect(previous, nullptr, this, nullptr);
        previous->release();
    }
    attach(qobject_cast<MediaStreamingPlayerItem *>(item));
    if (previous)
        previous->deleteLater();
}

void MediaStreamingPlayer::setNextItem(StreamingPlayerItem *item)
{
    auto *next = qobject_cast<MediaStreamingPlayerItem *>(item);
    if (next == m_next)
        return;
    if (m_next)
        m_next->stopFollowing();
    m_next = next;
    if (next && m_item)
        next->follow(m_item);
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
    const bool run = !m_observers.isEmpty() && rate() != 0;
    if (run && !m_tick.isActive())
        m_tick.start();
    else if (!run)
        m_tick.stop();
}
