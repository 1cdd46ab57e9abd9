#include "platform/media/MediaFilePlayer.h"

#include "platform/media/MediaPlayerHost.h"

#include <QTemporaryFile>
#include <QTimer>

#include <cmath>

MediaFilePlayer::MediaFilePlayer(std::unique_ptr<QTemporaryFile> file, QObject *parent)
    : FilePlayer(parent)
    , m_file(std::move(file))
    , m_host(new MediaPlayerHost(this))
{
    connect(m_host, &MediaPlayerHost::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString &text) {
                if (error == QMediaPlayer::NoError)
                    return;
                const bool wasPlaying = m_host->playbackState() == QMediaPlayer::PlayingState;
                m_failed = true;
                m_error = text.isEmpty() ? QStringLiteral("The track cannot be decoded.") : text;
                m_host->pause();
                checkLoaded();
                if (wasPlaying)
                    reportEnd(false);
            });
    connect(m_host, &MediaPlayerHost::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::InvalidMedia) {
            m_failed = true;
            m_error = QStringLiteral("The track cannot be decoded.");
        }
        checkLoaded();
        if (status == QMediaPlayer::EndOfMedia)
            reportEnd(true);
    });
    m_host->setSource(QUrl::fromLocalFile(m_file->fileName()));
}

MediaFilePlayer::~MediaFilePlayer()
{
    // Silent at once; the media player goes on its own thread. The file goes
    // now: the player's thread keeps what it has open of it until it is done.
    m_host->disconnect(this);
    m_host->pause();
}

bool MediaFilePlayer::isLoaded() const
{
    return !m_failed && m_host->mediaStatus() != QMediaPlayer::LoadingMedia
        && m_host->mediaStatus() != QMediaPlayer::NoMedia;
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
    m_host->play();
    return true;
}

void MediaFilePlayer::pause()
{
    m_host->pause();
}

void MediaFilePlayer::stop()
{
    // Stopping keeps the position, as pausing does.
    m_host->pause();
}

bool MediaFilePlayer::isPlaying() const
{
    return m_host->playbackState() == QMediaPlayer::PlayingState;
}

double MediaFilePlayer::duration() const
{
    return m_host->duration() / 1000.0;
}

double MediaFilePlayer::currentTime() const
{
    return m_host->position() / 1000.0;
}

void MediaFilePlayer::setCurrentTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    m_host->setPosition(qBound<qint64>(0, qRound64(seconds * 1000.0), m_host->duration()));
}
