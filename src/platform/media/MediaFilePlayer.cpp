#include "platform/media/MediaFilePlayer.h"

#include "platform/media/AudioEngine.h"
#include "platform/media/PlaybackPipeline.h"

#include <QTemporaryFile>
#include <QTimer>

#include <cmath>

MediaFilePlayer::MediaFilePlayer(std::unique_ptr<QTemporaryFile> file, AudioEngine *engine, QObject *parent)
    : FilePlayer(parent)
    , m_file(std::move(file))
    , m_engine(engine)
    , m_pipeline(engine->takePipeline())
    , m_stream(PlaybackPipeline::newStream())
{
    connect(m_pipeline, &PlaybackPipeline::failed, this, [this](quint64 stream, const QString &text) {
        if (stream != m_stream || m_failed)
            return;
        const bool wasPlaying = isPlaying();
        m_failed = true;
        m_error = text.isEmpty() ? QStringLiteral("The track cannot be decoded.") : text;
        m_pipeline->pause();
        checkLoaded();
        if (wasPlaying)
            reportEnd(false);
    });
    connect(m_pipeline, &PlaybackPipeline::prerolled, this, [this](quint64 stream) {
        if (stream == m_stream)
            checkLoaded();
    });
    connect(m_pipeline, &PlaybackPipeline::durationChanged, this, [this](quint64 stream) {
        if (stream == m_stream)
            checkLoaded();
    });
    connect(m_pipeline, &PlaybackPipeline::ended, this, [this](quint64 stream) {
        if (stream == m_stream)
            reportEnd(true);
    });
    m_pipeline->load(m_stream, nullptr, QUrl::fromLocalFile(m_file->fileName()), TrackNames());
}

MediaFilePlayer::~MediaFilePlayer()
{
    // Silent at once; the pipeline goes back to the engine. The file goes
    // now: the pipeline keeps what it has open of it until it is emptied.
    disconnect(m_pipeline, nullptr, this, nullptr);
    if (m_engine)
        m_engine->recycle(m_pipeline);
    else
        delete m_pipeline;
}

bool MediaFilePlayer::isLoaded() const
{
    return !m_failed && m_pipeline->isPrerolled() && m_pipeline->durationMs() >= 0;
}

void MediaFilePlayer::checkLoaded()
{
    if (m_loadReported || (!m_failed && !isLoaded()))
        return;
    m_loadReported = true;
    Q_EMIT loadingFinished();
}

void MediaFilePlayer::reportEnd(bool successfully)
{
    // Reported from the event loop, never from inside a call of ours.
    QTimer::singleShot(0, this, [this, successfully] {
        if (delegate())
            delegate()->audioPlayerDidFinishPlaying(this, successfully);
    });
}

bool MediaFilePlayer::play()
{
    if (m_failed)
        return false;
    m_pipeline->play();
    return true;
}

void MediaFilePlayer::pause()
{
    m_pipeline->pause();
}

void MediaFilePlayer::stop()
{
    // Stopping keeps the position, as pausing does.
    m_pipeline->pause();
}

bool MediaFilePlayer::isPlaying() const
{
    return m_pipeline->wantsToPlay() && !m_pipeline->hasEnded() && !m_failed;
}

double MediaFilePlayer::duration() const
{
    return qMax<qint64>(0, m_pipeline->durationMs()) / 1000.0;
}

double MediaFilePlayer::currentTime() const
{
    return m_pipeline->positionMs() / 1000.0;
}

void MediaFilePlayer::setCurrentTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    m_pipeline->seek(qBound<qint64>(0, qRound64(seconds * 1000.0), qMax<qint64>(0, m_pipeline->durationMs())));
}

void MediaFilePlayer::setTitleAndArtist(const QString &title, const QString &artist)
{
    m_pipeline->setNames(TrackNames{title, artist});
}
