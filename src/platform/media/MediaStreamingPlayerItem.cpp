#include "platform/media/MediaStreamingPlayerItem.h"

#include "platform/media/AudioEngine.h"
#include "platform/media/PlaybackPipeline.h"
#include "platform/media/TrackBuffer.h"
#include "platform/media/TrackDownload.h"

#include <cmath>

MediaStreamingPlayerItem::MediaStreamingPlayerItem(const QUrl &url, std::shared_ptr<TrackBuffer> buffer,
                                                   AudioEngine *engine, UrlLoader *loader, qint64 maxBytes,
                                                   int waitTimeoutMs, QObject *parent)
    : StreamingPlayerItem(url, parent)
    , m_engine(engine)
    , m_buffer(std::move(buffer))
    , m_download(new TrackDownload(loader, url, m_buffer, maxBytes, this))
    , m_stream(PlaybackPipeline::newStream())
    , m_waitTimeoutMs(waitTimeoutMs)
{
    m_waitCheck.setInterval(qBound(50, waitTimeoutMs / 4, 1000));
    connect(&m_waitCheck, &QTimer::timeout, this, &MediaStreamingPlayerItem::checkWaiting);
    connect(m_download, &TrackDownload::failed, this, &MediaStreamingPlayerItem::fail);
    // The track changed on its server: read afresh where it plays.
    connect(m_download, &TrackDownload::restarted, this, [this] {
        if (isCurrent())
            m_pipeline->reload();
    });
    // Told on the pipeline's streaming thread, or in a write of the
    // download; the item hears it in its own turn.
    m_buffer->setWaitListener([this](bool waiting, qint64 offset) {
        QMetaObject::invokeMethod(this, [this, waiting, offset] { onWaiting(waiting, offset); },
                                  Qt::QueuedConnection);
    });
    m_download->start();
}

MediaStreamingPlayerItem::~MediaStreamingPlayerItem()
{
    m_buffer->setWaitListener(nullptr);
    release();
}

double MediaStreamingPlayerItem::duration() const
{
    return m_duration;
}

void MediaStreamingPlayerItem::setTitleAndArtist(const QString &title, const QString &artist)
{
    m_names = TrackNames{title, artist};
    if (isCurrent())
        m_pipeline->setNames(m_names);
    else if (isNext())
        m_pipeline->setNext(m_stream, m_buffer, m_names);
}

bool MediaStreamingPlayerItem::isCurrent() const
{
    return m_pipeline && m_pipeline->current() == m_stream;
}

bool MediaStreamingPlayerItem::isNext() const
{
    return m_pipeline && m_pipeline->next() == m_stream;
}

void MediaStreamingPlayerItem::attachTo(PlaybackPipeline *pipeline)
{
    if (m_pipeline)
        disconnect(m_pipeline, nullptr, this, nullptr);
    m_pipeline = pipeline;
    connect(pipeline, &PlaybackPipeline::advanced, this, [this](quint64 previous, quint64 stream) {
        if (previous == m_stream) {
            // The next track took over: this one played to its end.
            m_ended = true;
            disconnect(m_pipeline, nullptr, this, nullptr);
            m_pipeline = nullptr;
            Q_EMIT playbackChanged();
            Q_EMIT didPlayToEndTime();
        } else if (stream == m_stream) {
            m_endNoticeDue = true;
            Q_EMIT playbackChanged();
        }
    });
    connect(pipeline, &PlaybackPipeline::ended, this, [this](quint64 stream) {
        if (stream != m_stream)
            return;
        m_ended = true;
        Q_EMIT playbackChanged();
        Q_EMIT didPlayToEndTime();
    });
    connect(pipeline, &PlaybackPipeline::failed, this, [this](quint64 stream, const QString &error) {
        if (stream == m_stream)
            fail(error);
    });
    connect(pipeline, &PlaybackPipeline::durationChanged, this, [this](quint64 stream, qint64 ms) {
        if (stream == m_stream)
            setDuration(ms / 1000.0);
    });
    connect(pipeline, &PlaybackPipeline::progressed, this, [this](quint64 stream) {
        if (stream == m_stream)
            onProgress();
    });
    connect(pipeline, &PlaybackPipeline::waitingForOutputChanged, this, [this](quint64 stream, bool waiting) {
        if (stream != m_stream || waiting == m_waitingForOutput)
            return;
        const bool before = isWaitingForData();
        m_waitingForOutput = waiting;
        if (isWaitingForData() != before)
            Q_EMIT waitingForDataChanged(isWaitingForData());
    });
}

void MediaStreamingPlayerItem::ensurePipeline()
{
    if (isCurrent() || m_failed || !m_engine)
        return;
    PlaybackPipeline *pipeline = m_engine->takePipeline();
    attachTo(pipeline);
    pipeline->load(m_stream, m_buffer, QUrl(), m_names);
}

void MediaStreamingPlayerItem::follow(MediaStreamingPlayerItem *current)
{
    if (!current || !current->isCurrent() || m_failed)
        return;
    attachTo(current->m_pipeline);
    m_pipeline->setNext(m_stream, m_buffer, m_names);
}

void MediaStreamingPlayerItem::stopFollowing()
{
    if (isNext())
        release();
}

void MediaStreamingPlayerItem::release()
{
    PlaybackPipeline *pipeline = m_pipeline;
    if (!pipeline)
        return;
    const bool current = isCurrent();
    m_pipeline = nullptr;
    disconnect(pipeline, nullptr, this, nullptr);
    if (current) {
        if (m_engine)
            m_engine->recycle(pipeline);
        else
            delete pipeline;
    } else if (pipeline->next() == m_stream) {
        pipeline->setNext(0, nullptr, TrackNames());
    }
}

void MediaStreamingPlayerItem::play()
{
    if (m_failed)
        return;
    ensurePipeline();
    if (!isCurrent())
        return;
    m_ended = false;
    m_endNoticeDue = true;
    restartWaitClock();
    m_pipeline->play();
    Q_EMIT playbackChanged();
}

void MediaStreamingPlayerItem::pause()
{
    if (!isCurrent())
        return;
    m_pipeline->pause();
    Q_EMIT playbackChanged();
}

void MediaStreamingPlayerItem::seek(qint64 ms)
{
    if (!isCurrent())
        return;
    m_ended = false;
    m_endNoticeDue = true;
    m_pipeline->seek(ms);
}

double MediaStreamingPlayerItem::currentTime() const
{
    if (isCurrent())
        return m_pipeline->positionMs() / 1000.0;
    return m_ended && std::isfinite(m_duration) ? m_duration : 0.0;
}

bool MediaStreamingPlayerItem::isPlaying() const
{
    return isCurrent() && m_pipeline->wantsToPlay() && !m_ended && !m_failed;
}

void MediaStreamingPlayerItem::onWaiting(bool waiting, qint64 offset)
{
    if (m_failed || waiting == m_waitingForBytes)
        return;
    const bool before = isWaitingForData();
    m_waitingForBytes = waiting;
    if (waiting) {
        m_download->fetchFrom(offset);
        restartWaitClock();
        m_waitCheck.start();
    } else {
        m_waitCheck.stop();
    }
    if (isWaitingForData() != before)
        Q_EMIT waitingForDataChanged(isWaitingForData());
}

void MediaStreamingPlayerItem::restartWaitClock()
{
    m_waitingSince.restart();
    m_receivedWhenWaitBegan = m_download->bytesReceived();
}

void MediaStreamingPlayerItem::checkWaiting()
{
    if (!m_waitingForBytes || m_failed) {
        m_waitCheck.stop();
        return;
    }
    // Only the time spent waiting to play counts.
    if (!isPlaying()) {
        restartWaitClock();
        return;
    }
    const qint64 waited = m_waitingSince.elapsed();
    if (waited < m_waitTimeoutMs)
        return;
    if (m_download->msSinceLastByte() >= m_waitTimeoutMs) {
        const QString error = m_download->lastError();
        fail(error.isEmpty() ? QStringLiteral("No data came for the track in time.") : error);
    } else if ((m_download->bytesReceived() - m_receivedWhenWaitBegan) * 1000
               < UrlConnection::kMinimumDownloadRate * waited) {
        fail(QStringLiteral("The download is too slow."));
    }
}

void MediaStreamingPlayerItem::onProgress()
{
    if (!m_endNoticeDue || !isPlaying() || !m_pipeline || m_pipeline->durationMs() < 0)
        return;
    if (m_pipeline->durationMs() - m_pipeline->positionMs() > kEndNoticeMs)
        return;
    m_endNoticeDue = false;
    Q_EMIT willPlayToEndTime();
}

void MediaStreamingPlayerItem::fail(const QString &error)
{
    if (m_failed)
        return;
    m_failed = true;
    m_waitCheck.stop();
    m_download->cancel();
    // Silent at once: the pipeline goes back to the engine.
    release();
    Q_EMIT playbackChanged();
    Q_EMIT failedToPlayToEndTime(error.isEmpty() ? QStringLiteral("The track cannot be played.") : error);
}

void MediaStreamingPlayerItem::setDuration(double seconds)
{
    if (seconds == m_duration || (std::isnan(seconds) && std::isnan(m_duration)))
        return;
    m_duration = seconds;
    Q_EMIT durationChanged(seconds);
}
