#include "demo/DemoService.h"

#include "demo/ByteRange.h"
#include "demo/DemoArtwork.h"
#include "demo/DemoAudio.h"
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

QByteArray DemoService::trackAudio(int trackId)
{
    auto found = m_audio.find(trackId);
    if (found == m_audio.end())
        found = m_audio.insert(trackId, DemoAudio::wav(trackId));
    return found.value();
}

QByteArray DemoService::trackCover(const DemoTrack &track)
{
    auto found = m_covers.find(track.id);
    if (found == m_covers.end())
        found = m_covers.insert(track.id, DemoArtwork::coverPng(track.id, track.title, track.artist));
    return found.value();
}

QByteArray DemoService::cached(const QString &name, QByteArray (*make)())
{
    auto found = m_pictures.find(name);
    if (found == m_pictures.end())
        found = m_pictures.insert(name, make());
    return found.value();
}

void DemoService::replyMedia(QHttpServerResponder &responder, const QHttpServerRequest &request,
                             const QByteArray &contentType, const QByteArray &bytes, bool headOnly)
{
    const qint64 size = bytes.size();
    const QByteArray rangeHeader = request.value(QByteArrayLiteral("Range"));
    const ByteRange range = rangeHeader.isEmpty() ? ByteRange{ByteRange::Kind::Whole, 0, size - 1}
                                                  : ByteRange::parse(rangeHeader, size);
    if (range.kind == ByteRange::Kind::Unsatisfiable) {
        responder.writeStatusLine(QHttpServerResponder::StatusCode::RequestRangeNotSatisfiable);
        responder.writeHeader(QByteArrayLiteral("Content-Range"), "bytes */" + QByteArray::number(size));
        responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArrayLiteral("0"));
        responder.writeBody(QByteArray());
        return;
    }
    const bool partial = range.kind == ByteRange::Kind::Partial;
    responder.writeStatusLine(partial ? QHttpServerResponder::StatusCode::PartialContent
                                      : QHttpServerResponder::StatusCode::Ok);
    responder.writeHeader(QByteArrayLiteral("Content-Type"), contentType);
    responder.writeHeader(QByteArrayLiteral("Accept-Ranges"), QByteArrayLiteral("bytes"));
    responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(range.length()));
    if (partial)
        responder.writeHeader(QByteArrayLiteral("Content-Range"),
                              "bytes " + QByteArray::number(range.first) + '-'
                                  + QByteArray::number(range.last) + '/' + QByteArray::number(size));
    responder.writeBody(headOnly ? QByteArray() : bytes.mid(range.first, range.length()));
}

void DemoService::replyTrackInfo(QHttpServerResponder &responder, const QUrlQuery &query, bool head)
{
    bool numeric = false;
    const int id = query.queryItemValue(QStringLiteral("id")).toInt(&numeric);
    const DemoTrack *track = numeric ? DemoCatalogue::track(id) : nullptr;
    // An unknown track gets a text that is no track-info reply.
    if (track)
        reply(responder, 200, kText, DemoCatalogue::trackInfoReply(*track, origin()), head);
    else
        reply(responder, 404, kText, QStringLiteral("Трек не найден").toUtf8(), head);
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
    static const QRegularExpression mediaPath(
        QStringLiteral("^/media/(track|cover)-(\\d+)\\.(?:wav|png)$"));
    const QUrlQuery query(url);
    if (path == QLatin1String("/kavu/music/")) {
        reply(responder, 200, kHtml, DemoPages::musicStartPage(), head);
    } else if (path == QLatin1String("/kavu/music/albums/")) {
        reply(responder, 200, kHtml, DemoPages::albumsStartPage(), head);
    } else if (const QRegularExpressionMatch match = albumPath.match(path); match.hasMatch()
               && DemoCatalogue::album(match.captured(1).toInt())) {
        reply(responder, 200, kHtml, DemoPages::albumPage(match.captured(1).toInt()), head);
    } else if (path == QLatin1String("/kavu/API/get-info-songs.php")
               || path == QLatin1String("/API/test1.php")) {
        replyTrackInfo(responder, query, head);
    } else if (path == QLatin1String("/kavu/API/get-info-random-songs.php")) {
        const QList<DemoTrack> &all = DemoCatalogue::tracks();
        const DemoTrack &track = all.at(QRandomGenerator::global()->bounded(int(all.size())));
        reply(responder, 200, kText, DemoCatalogue::trackInfoReply(track, origin()), head);
    } else if (path == QLatin1String("/API/lastnews.php")) {
        reply(responder, 200, kText, DemoPages::newsText(), head);
    } else if (path == QLatin1String("/kavu/API/developers.php")) {
        reply(responder, 200, kText, DemoPages::developersText(), head);
    } else if (path == QLatin1String("/app-version/music/")) {
        reply(responder, 200, kHtml, DemoPages::directPlayerPage(), head);
    } else if (path == QLatin1String("/app-version/search")) {
        reply(responder, 200, kHtml, DemoPages::searchPage(), head);
    } else if (path == QLatin1String("/kavu/API/account.php")) {
        // Query values come percent-encoded; compare them decoded.
        const QString login = query.queryItemValue(QStringLiteral("login"), QUrl::FullyDecoded);
        const QString password = query.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded);
        if (login == QLatin1String("demo") && password == QLatin1String("demo"))
            reply(responder, 200, kText,
                  QStringLiteral("demo,%1/media/account-background.png,%1/media/account-icon.png,"
                                 "Демо Пользователь,premium")
                      .arg(origin())
                      .toUtf8(),
                  head);
        else
            reply(responder, 200, kText, QStringLiteral("Неверный логин или пароль").toUtf8(), head);
    } else if (path == QLatin1String("/media/account-background.png")) {
        replyMedia(responder, request, QByteArrayLiteral("image/png"),
                   cached(QStringLiteral("account-background"), &DemoArtwork::accountBackgroundPng), head);
    } else if (path == QLatin1String("/media/account-icon.png")) {
        replyMedia(responder, request, QByteArrayLiteral("image/png"),
                   cached(QStringLiteral("account-icon"), &DemoArtwork::accountIconPng), head);
    } else if (const QRegularExpressionMatch match = mediaPath.match(path); match.hasMatch()
               && DemoCatalogue::track(match.captured(2).toInt())) {
        const DemoTrack &track = *DemoCatalogue::track(match.captured(2).toInt());
        if (match.captured(1) == QLatin1String("track"))
            replyMedia(responder, request, QByteArrayLiteral("audio/wav"), trackAudio(track.id), head);
        else
            replyMedia(responder, request, QByteArrayLiteral("image/png"), trackCover(track), head);
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
