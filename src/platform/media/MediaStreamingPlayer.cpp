#include "platform/media/MediaStreamingPlayer.h"

#include "platform/media/MediaStreamingPlayerItem.h"

#include <QAudioOutput>

#include <cmath>

MediaStreamingPlayer::MediaStreamingPlayer(MediaStreamingPlayerItem *item, QMediaPlayer *backend,
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
    useBackend(backend ? backend : new QMediaPlayer);
    attach(item);
}

MediaStreamingPlayer::~MediaStreamingPlayer()
{
    m_tick.stop();
    m_startDeadline.stop();
    // Deleting the media player ends its stream at once; stopping it first
    // would wait up to a second for a stream that is still starting.
    m_player->disconnect(this);
}

QMediaPlayer *MediaStreamingPlayer::makeBackend()
{
    auto *backend = new QMediaPlayer;
    backend->setAudioOutput(new QAudioOutput(backend));
    return backend;
}

void MediaStreamingPlayer::useBackend(QMediaPlayer *backend)
{
    m_player = backend;
    m_player->setParent(this);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaStreamingPlayer::updateTick);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaStreamingPlayer::onStatusChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &MediaStreamingPlayer::onError);
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
        if (m_item)
            m_item->setDuration(ms > 0 ? ms / 1000.0 : std::numeric_limits<double>::quiet_NaN());
    });
}

void MediaStreamingPlayer::retireBackend()
{
    // Stopping a media player, or changing its source, while its stream
    // starts blocks the GUI thread for up to a second. A paused one that
    // is deleted soon after is silent at once and costs nothing.
    QMediaPlayer *old = m_player;
    old->disconnect(this);
    old->pause();
    old->deleteLater();
    // The audio output comes when there is something to play again.
    useBackend(new QMediaPlayer);
    updateTick();
}

void MediaStreamingPlayer::attach(MediaStreamingPlayerItem *item)
{
    m_item = item;
    m_itemFailed = false;
    m_startDeadline.stop();
    m_startTimeLeftMs = 0;
    if (!m_player->source().isEmpty())
        retireBackend();
    if (item) {
        item->setParent(this);
        if (!m_player->audioOutput())
            m_player->setAudioOutput(new QAudioOutput(m_player));
        m_player->setSource(item->url());
    }
}

void MediaStreamingPlayer::play()
{
    if (!m_item)
        return;
    const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
    // The start deadline runs only while the stream is asked to play; after
    // a pause it goes on with the time it had left.
    if (!m_itemFailed && !m_startDeadline.isActive()
        && (status == QMediaPlayer::NoMedia || status == QMediaPlayer::LoadingMedia))
        m_startDeadline.start(m_startTimeLeftMs > 0 ? m_startTimeLeftMs : m_startTimeoutMs);
    m_startTimeLeftMs = 0;
    m_player->play();
}

void MediaStreamingPlayer::pause()
{
    if (m_startDeadline.isActive()) {
        m_startTimeLeftMs = qMax(1, m_startDeadline.remainingTime());
        m_startDeadline.stop();
    }
    m_player->pause();
}

float MediaStreamingPlayer::rate() const
{
    return m_item && m_player->playbackState() == QMediaPlayer::PlayingState ? 1.0f : 0.0f;
}

void MediaStreamingPlayer::seekToTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    m_player->setPosition(qMax<qint64>(0, qRound64(seconds * 1000.0)));
}

double MediaStreamingPlayer::currentTime() const
{
    return m_player->position() / 1000.0;
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
    const bool run = !m_observers.isEmpty() && m_player->playbackState() == QMediaPlayer::PlayingState;
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
    // The backend keeps reporting Playing after an error; a fresh one with
    // nothing to play takes its place.
    retireBackend();
    if (item)
        Q_EMIT item->failedToPlayToEndTime(text.isEmpty() ? QStringLiteral("The track cannot be played.")
                                                          : text);
}
