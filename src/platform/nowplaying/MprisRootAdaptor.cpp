#include "platform/nowplaying/MprisRootAdaptor.h"

MprisRootAdaptor::MprisRootAdaptor(QObject *parent, const QString &desktopEntry)
    : QDBusAbstractAdaptor(parent)
    , m_desktopEntry(desktopEntry)
{
}
