#include "platform/nowplaying/MprisRootAdaptor.h"

#include "platform/nowplaying/MprisNowPlayingCenter.h"

MprisRootAdaptor::MprisRootAdaptor(QObject *parent, const QString &desktopEntry, MprisNowPlayingCenter *center)
    : QDBusAbstractAdaptor(parent)
    , m_desktopEntry(desktopEntry)
    , m_center(center)
{
}

void MprisRootAdaptor::Raise()
{
    m_center->raise();
}

void MprisRootAdaptor::Quit()
{
    m_center->quit();
}
