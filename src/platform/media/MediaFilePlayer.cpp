#include "platform/media/MediaFilePlayer.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

MediaFilePlayer::MediaFilePlayer(const QByteArray &track, const QUrl &url, QObject *parent)
    : FilePlayer(parent)
    , m_track(track)
    , m_player(new QMediaPlayer(this))
    , m_output(new QAudioOutput(this))
{
    m_buffer.setData(m_track);
    m_buffer.open(QIODevice::ReadOnly);
    m_player->setAudioOutput(m_output);
    connect(m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString &text) {
                if (error == QMediaPlayer::NoError)
                    return;
                const bool wasPlaying = m_player->playbackState() == QMediaPlayer::PlayingState;
                m_failed = true;
                m_error = text.isEmpty() ? QStringLiteral("The track cannot be decoded.") : text;
                m_player->stop();
                if (wasPlaying)
                    reportEnd(false);
            });
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            reportEnd(true);
    });
    m_player->setSourceDevice(&m_buffer, url);
}

MediaFilePlayer::~MediaFilePlayer()
{
    m_player->disconnect(this);
    m_player->stop();
    m_player->setSourceDevice(nullptr);
}

bool MediaFilePlayer::waitUntilLoaded(QEventLoop &loop, QString *error)
{
    const auto settled = [this] {
        const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
        return m_failed || status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::InvalidMedia;
    };
    if (!settled()) {
        QMetaObject::Connection statusWatch =
            connect(m_player, &QMediaPlayer::mediaStatusChanged, &loop, [&] {
                if (settled())
                    loop.quit();
            });
        QMetaObject::Connection errorWatch =
            connect(m_player, &QMediaPlayer::errorOccurred, &loop, [&] { loop.quit(); });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        disconnect(statusWatch);
        disconnect(errorWatch);
    }
    if (m_failed || m_player->mediaStatus() != QMediaPlayer::LoadedMedia) {
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
    m_player->play();
    return true;
}

void MediaFilePlayer::pause()
{
    m_player->pause();
}

void MediaFilePlayer::stop()
{
    // Stopping keeps the position, as pausing does.
    m_player->pause();
}

bool MediaFilePlayer::isPlaying() const
{
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

double MediaFilePlayer::duration() const
{
    return m_player->duration() / 1000.0;
}

double MediaFilePlayer::currentTime() const
{
    return m_player->position() / 1000.0;
}

void MediaFilePlayer::setCurrentTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    m_player->setPosition(qBound<qint64>(0, qRound64(seconds * 1000.0), m_player->duration()));
}
