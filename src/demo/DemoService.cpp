#include "demo/DemoService.h"

#include "demo/DemoPages.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>

namespace {
const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");
const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");
} // namespace

DemoService::DemoService(QObject *parent)
    : QAbstractHttpServer(parent)
{
}

bool DemoService::start()
{
    m_port = listen(QHostAddress::LocalHost, 0);
    return m_port != 0;
}

QString DemoService::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString DemoService::siteAddress() const
{
    return origin() + QStringLiteral("/kavu");
}

void DemoService::reply(QHttpServerResponder &responder, int status,
                        const QByteArray &contentType, const QByteArray &body, bool headOnly)
{
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
    responder.writeHeader(QByteArrayLiteral("Content-Type"), contentType);
    responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(body.size()));
    responder.writeHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    responder.writeBody(headOnly ? QByteArray() : body);
}

bool DemoService::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QUrl url = request.url();
    const QString path = url.path();
    const QString logged = url.hasQuery() ? path + QLatin1Char('?') + url.query(QUrl::FullyEncoded)
                                          : path;
    m_requestLog.append(logged);
    Q_EMIT requestReceived(logged);

    const bool head = request.method() == QHttpServerRequest::Method::Head;
    if (request.method() != QHttpServerRequest::Method::Get && !head)
        return false;

    QHttpServerResponder responder = makeResponder(request, socket);
    if (path == QLatin1String("/kavu/music/")) {
        reply(responder, 200, kHtml, DemoPages::musicStartPage(), head);
    } else if (path == QLatin1String("/kavu/music/albums/")) {
        reply(responder, 200, kHtml, DemoPages::albumsStartPage(), head);
    } else {
        reply(responder, 404, kText, QByteArrayLiteral("Not found\n"), head);
    }
    return true;
}

void DemoService::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    reply(responder, 405, kText, QByteArrayLiteral("Method not allowed\n"), false);
}
