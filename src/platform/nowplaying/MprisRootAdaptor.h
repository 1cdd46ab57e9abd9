#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

class MprisNowPlayingCenter;

// The org.mpris.MediaPlayer2 interface: who plays. The desktop can raise
// Kavu's window (on the screen that plays) and quit it; there is no track
// list and no address it opens from outside.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    MprisRootAdaptor(QObject *parent, const QString &desktopEntry, MprisNowPlayingCenter *center);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Kavu"); }
    QString desktopEntry() const { return m_desktopEntry; }
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public Q_SLOTS:
    void Raise();
    void Quit();

private:
    QString m_desktopEntry;
    MprisNowPlayingCenter *m_center;
};
