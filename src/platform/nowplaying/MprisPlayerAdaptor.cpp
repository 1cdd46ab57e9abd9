#include "platform/nowplaying/MprisPlayerAdaptor.h"

#include "platform/nowplaying/MprisNowPlayingCenter.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject *parent, const MprisNowPlayingCenter *center)
    : QDBusAbstractAdaptor(parent)
    , m_center(center)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_center->playbackStatus();
}

double MprisPlayerAdaptor::rate() const
{
    return m_center->rate();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_center->metadata();
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_center->positionMicroseconds();
}
