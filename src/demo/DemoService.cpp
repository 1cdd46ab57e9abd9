#include "demo/DemoService.h"

#include "demo/DemoCatalogue.h"
#include "demo/DemoPages.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrlQuery>

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
    static const QRegularExpression albumPath(QStringLiteral("^/kavu/music/albums/(\\d+)/$"));
    const QUrlQuery query(url);
    if (path == QLatin1String("/kavu/music/")) {
        reply(responder, 200, kHtml, DemoPages::musicStartPage(), head);
    } else if (path == QLatin1String("/kavu/music/albums/")) {
        reply(responder, 200, kHtml, DemoPages::albumsStartPage(), head);
    } else if (const QRegularExpressionMatch match = albumPath.match(path); match.hasMatch()
               && DemoCatalogue::album(match.captured(1).toInt())) {
        reply(responder, 200, kHtml, DemoPages::albumPage(match.captured(1).toInt()), head);
    } else if (path == QLatin1String("/kavu/API/get-info-songs.php")) {
        bool numeric = false;
        const int id = query.queryItemValue(QStringLiteral("id")).toInt(&numeric);
        const DemoTrack *track = numeric ? DemoCatalogue::track(id) : nullptr;
        if (track)
            reply(responder, 200, kText, DemoCatalogue::trackInfoReply(*track, origin()), head);
        else
            reply(responder, 404, kText, QStringLiteral("Трек не найден").toUtf8(), head);
    } else if (path == QLatin1String("/kavu/API/get-info-random-songs.php")) {
        const QList<DemoTrack> &all = DemoCatalogue::tracks();
        const DemoTrack &track = all.at(QRandomGenerator::global()->bounded(int(all.size())));
        reply(responder, 200, kText, DemoCatalogue::trackInfoReply(track, origin()), head);
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
