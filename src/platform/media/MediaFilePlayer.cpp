#include "platform/media/MediaFilePlayer.h"

#include "platform/media/MediaPlayerHost.h"

#include <QEventLoop>
#include <QTimer>

#include <cmath>

MediaFilePlayer::MediaFilePlayer(const QByteArray &track, const QUrl &url, QObject *parent)
    : FilePlayer(parent)
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
                if (wasPlaying)
                    reportEnd(false);
            });
    connect(m_host, &MediaPlayerHost::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            reportEnd(true);
    });
    m_host->setSourceData(track, url);
}

MediaFilePlayer::~MediaFilePlayer()
{
    // Silent at once; the media player goes on its own thread.
    m_host->disconnect(this);
    m_host->pause();
}

bool MediaFilePlayer::waitUntilLoaded(QEventLoop &loop, QString *error)
{
    const auto settled = [this] {
        const QMediaPlayer::MediaStatus status = m_host->mediaStatus();
        return m_failed || status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::InvalidMedia;
    };
    if (!settled()) {
        QMetaObject::Connection statusWatch =
            connect(m_host, &MediaPlayerHost::mediaStatusChanged, &loop, [&] {
                if (settled())
                    loop.quit();
            });
        QMetaObject::Connection errorWatch =
            connect(m_host, &MediaPlayerHost::errorOccurred, &loop, [&] { loop.quit(); });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        disconnect(statusWatch);
        disconnect(errorWatch);
    }
    if (m_failed || m_host->mediaStatus() != QMediaPlayer::LoadedMedia) {
        if (error)
            *error = m_error.isEmpty() ? QStringLiteral("The track cannot be decoded.") : m_error;
        return false;
    }
    return true;
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
