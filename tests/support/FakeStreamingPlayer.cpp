#include "FakeStreamingPlayer.h"

void FakeStreamingPlayerItem::setDuration(double seconds)
{
    m_duration = seconds;
    if (attached)
        Q_EMIT durationChanged(seconds);
}

void FakeStreamingPlayerItem::finish()
{
    if (attached)
        Q_EMIT didPlayToEndTime();
}

void FakeStreamingPlayerItem::nearEnd()
{
    if (attached)
        Q_EMIT willPlayToEndTime();
}

void FakeStreamingPlayerItem::setWaitingForData(bool waiting)
{
    m_waiting = waiting;
    if (attached)
        Q_EMIT waitingForDataChanged(waiting);
}

void FakeStreamingPlayerItem::fail(const QString &error)
{
    if (attached)
        Q_EMIT failedToPlayToEndTime(error);
}

FakeStreamingPlayer::FakeStreamingPlayer(FakeStreamingPlayerItem *item)
{
    replaceCurrentItemWithPlayerItem(item);
}

FakeStreamingPlayer::~FakeStreamingPlayer()
{
    if (m_item)
        m_item->attached = false;
}

void FakeStreamingPlayer::record(const QString &call)
{
    calls << call;
    if (sharedLog)
        *sharedLog << call;
}

void FakeStreamingPlayer::play()
{
    record(QStringLiteral("play"));
    m_rate = 1;
}

void FakeStreamingPlayer::pause()
{
    record(QStringLiteral("pause"));
    m_rate = 0;
}

void FakeStreamingPlayer::seekToTime(double seconds)
{
    record(QStringLiteral("seek %1").arg(seconds));
    m_time = seconds;
}

void FakeStreamingPlayer::replaceCurrentItemWithPlayerItem(StreamingPlayerItem *item)
{
    if (m_item) {
        m_item->attached = false;
        m_item->deleteLater();
        record(QStringLiteral("detach"));
    }
    m_item = qobject_cast<FakeStreamingPlayerItem *>(item);
    if (m_item) {
        m_item->attached = true;
        m_item->setParent(this);
    }
}

void FakeStreamingPlayer::setNextItem(StreamingPlayerItem *item)
{
    record(item ? QStringLiteral("next %1").arg(item->url().toString()) : QStringLiteral("next none"));
    // A following item belongs to the player too: it reports a failure.
    if (auto *following = qobject_cast<FakeStreamingPlayerItem *>(m_next.data()); following && following != m_item)
        following->attached = false;
    m_next = item;
    if (auto *following = qobject_cast<FakeStreamingPlayerItem *>(item))
        following->attached = true;
}

int FakeStreamingPlayer::addPeriodicTimeObserver(double, TimeObserver observer)
{
    m_observers.insert(m_nextToken, std::move(observer));
    return m_nextToken++;
}

void FakeStreamingPlayer::removeTimeObserver(int token)
{
    record(QStringLiteral("remove observer %1").arg(token));
    m_observers.remove(token);
}

void FakeStreamingPlayer::tick(double currentTime)
{
    m_time = currentTime;
    const QList<TimeObserver> observers = m_observers.values();
    for (const TimeObserver &observer : observers)
        observer(currentTime);
}

StreamingPlayerItem *FakeStreamingPlayerFactory::playerItemWithURL(const QUrl &url)
{
    urls.append(url);
    if (failItems)
        return nullptr;
    auto *item = new FakeStreamingPlayerItem(url);
    items.append(item);
    return item;
}

StreamingPlayer *FakeStreamingPlayerFactory::playerWithPlayerItem(StreamingPlayerItem *item)
{
    if (failPlayers)
        return nullptr;
    auto *player = new FakeStreamingPlayer(qobject_cast<FakeStreamingPlayerItem *>(item));
    player->sharedLog = &log;
    players.append(player);
    return player;
}

int FakeStreamingPlayerFactory::livePlayers() const
{
    int live = 0;
    for (const auto &player : players)
        live += player ? 1 : 0;
    return live;
}
