#include "app/PlayerRemote.h"

#include "platform/nowplaying/MprisNowPlayingCenter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTextStream>

namespace PlayerRemote {

int send(const QString &method)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QString::fromLatin1(MprisNowPlayingCenter::kServiceName);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value()) {
        QTextStream(stderr) << "kavu: Kavu is not running\n";
        return 1;
    }
    const QDBusMessage reply = bus.call(
        QDBusMessage::createMethodCall(service, QString::fromLatin1(MprisNowPlayingCenter::kObjectPath),
                                       QStringLiteral("org.mpris.MediaPlayer2.Player"), method),
        QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        QTextStream(stderr) << "kavu: Kavu did not take the command\n";
        return 1;
    }
    return 0;
}

} // namespace PlayerRemote
