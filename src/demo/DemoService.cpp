#include "demo/DemoService.h"

#include "demo/DemoHttpServer.h"

#include <QThread>

DemoService::DemoService(QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
    , m_server(new DemoHttpServer)
{
    m_thread->setObjectName(QStringLiteral("kavu-demo-service"));
    m_server->moveToThread(m_thread);
    connect(m_server, &DemoHttpServer::requestReceived, this, &DemoService::requestReceived);
    m_thread->start();
}

DemoService::~DemoService()
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(server, [server] { delete server; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

bool DemoService::start()
{
    DemoHttpServer *server = m_server;
    bool started = false;
    QMetaObject::invokeMethod(server, [server, &started] { started = server->start(); },
                              Qt::BlockingQueuedConnection);
    m_port = started ? server->port() : 0;
    return started;
}

QString DemoService::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString DemoService::siteAddress() const
{
    return bundleFor(origin()).defaultSiteAddress;
}

BundleInfo DemoService::bundle() const
{
    return bundleFor(origin());
}

BundleInfo DemoService::bundleFor(const QString &origin)
{
    BundleInfo info = BundleInfo::builtIn();
    info.serviceHostOrigin = origin;
    info.defaultSiteAddress = origin + QStringLiteral("/kavu");
    info.listenBrainzApiAddress = origin;
    return info;
}

void DemoService::setTrackSeconds(double seconds)
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(server, [server, seconds] { server->setTrackSeconds(seconds); },
                              Qt::BlockingQueuedConnection);
}

void DemoService::setThrottle(qint64 bytesPerSecond)
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(server, [server, bytesPerSecond] { server->setThrottle(bytesPerSecond); },
                              Qt::BlockingQueuedConnection);
}

void DemoService::setTrackAudio(int trackId, const QByteArray &bytes)
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(server, [server, trackId, bytes] { server->setTrackAudio(trackId, bytes); },
                              Qt::BlockingQueuedConnection);
}

void DemoService::setTrackNotFound(int trackId)
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(
        server, [server, trackId] { server->setTrackFault(trackId, DemoHttpServer::TrackFault::NotFound); },
        Qt::BlockingQueuedConnection);
}

void DemoService::setTrackNeverAnswers(int trackId)
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(
        server, [server, trackId] { server->setTrackFault(trackId, DemoHttpServer::TrackFault::NoAnswer); },
        Qt::BlockingQueuedConnection);
}

void DemoService::setRoundTripMs(int milliseconds)
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(server, [server, milliseconds] { server->setRoundTripMs(milliseconds); },
                              Qt::BlockingQueuedConnection);
}

void DemoService::interrupt(int outageMs)
{
    DemoHttpServer *server = m_server;
    QMetaObject::invokeMethod(server, [server, outageMs] { server->interrupt(outageMs); },
                              Qt::BlockingQueuedConnection);
}

QString DemoService::sizedTrackUrl(qint64 bytes) const
{
    return origin() + QStringLiteral("/media/sized-%1.wav").arg(bytes);
}

QList<QString> DemoService::requestLog() const
{
    return m_server->requestLog();
}

QList<DemoListenBrainz::Submission> DemoService::acceptedListens() const
{
    DemoHttpServer *server = m_server;
    QList<DemoListenBrainz::Submission> accepted;
    QMetaObject::invokeMethod(server, [server, &accepted] { accepted = server->acceptedListens(); },
                              Qt::BlockingQueuedConnection);
    return accepted;
}
