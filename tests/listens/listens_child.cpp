// Queues one listen for the server at argv[2] (queue file argv[1]), says
// "queued" once it is on disk and sent, and waits to be killed.
#include "listens/ListenBrainzClient.h"
#include "listens/ListenQueue.h"
#include "platform/net/UrlLoader.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 3)
        return 2;
    UrlLoader loader;
    ListenQueue queue(QString::fromLocal8Bit(argv[1]));
    ListenBrainzClient client(&loader, &queue, QStringLiteral("test"));
    client.setApiAddress(QUrl(QString::fromLocal8Bit(argv[2])));
    client.setToken(QStringLiteral("demo"));
    Listen listen;
    listen.listenedAt = 1700000000;
    listen.artist = QStringLiteral("Кавуновый оркестр");
    listen.title = QStringLiteral("Белые ночи");
    listen.duration = 200;
    client.listened(listen);
    // The request is on its way once the event loop has run.
    QTimer::singleShot(200, [] { QTextStream(stdout) << "queued" << Qt::endl; });
    return application.exec();
}
