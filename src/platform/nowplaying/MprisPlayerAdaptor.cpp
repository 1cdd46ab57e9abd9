#include "platform/nowplaying/MprisPlayerAdaptor.h"

#include "platform/nowplaying/MprisNowPlayingCenter.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject *parent, MprisNowPlayingCenter *center)
    : QDBusAbstractAdaptor(parent)
    , m_center(center)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_center->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_center->metadata();
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_center->positionMicroseconds();
}

bool MprisPlayerAdaptor::canPlayback() const
{
    return m_center->canControl();
}

void MprisPlayerAdaptor::Next()
{
    m_center->next();
}

void MprisPlayerAdaptor::Previous()
{
    m_center->previous();
}

void MprisPlayerAdaptor::Pause()
{
    m_center->pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    m_center->playPause();
}

void MprisPlayerAdaptor::Stop()
{
    m_center->stop();
}

void MprisPlayerAdaptor::Play()
{
    m_center->play();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    m_center->seek(Offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    m_center->setPosition(TrackId.path(), Position);
}

void MprisPlayerAdaptor::OpenUri(const QString &)
{
    // Kavu plays what its pages name; it opens no addresses from outside.
}

double MprisPlayerAdaptor::volume() const
{
    return m_center->volume();
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    m_center->setVolume(volume);
}
