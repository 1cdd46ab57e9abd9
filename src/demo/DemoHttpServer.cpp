#include "demo/DemoHttpServer.h"

#include "demo/ByteRange.h"
#include "demo/DemoArtwork.h"
#include "demo/DemoAudio.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoPages.h"
#include "demo/RoundTrip.h"

#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

namespace {
const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");
const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");
// Dynamic properties of each connection's socket.
const char *const kAcceptedAt = "demoAcceptedAtNs";
const char *const kRequests = "demoRequests";
} // namespace

DemoHttpServer::DemoHttpServer(QObject *parent)
    : QAbstractHttpServer(parent)
{
}

bool DemoHttpServer::start()
{
    m_clock.start();
    m_port = listen(QHostAddress::LocalHost, 0);
    // Connected after the base class's own handler, which has made the new
    // connections' sockets by the time this one runs.
    for (QTcpServer *server : servers())
        connect(server, &QTcpServer::newConnection, this, &DemoHttpServer::stampNewConnections);
    return m_port != 0;
}

void DemoHttpServer::stampNewConnections()
{
    for (QTcpServer *server : servers()) {
        for (QTcpSocket *socket : server->findChildren<QTcpSocket *>()) {
            if (!socket->property(kAcceptedAt).isValid())
                socket->setProperty(kAcceptedAt, m_clock.nsecsElapsed());
        }
    }
}

QString DemoHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QList<QString> DemoHttpServer::requestLog() const
{
    QMutexLocker locker(&m_logLock);
    return m_requestLog;
}

void DemoHttpServer::interrupt(int outageMs)
{
    // As a server that goes away: every connection breaks, and for the
    // outage connections are refused; then it serves again on its port.
    for (QTcpServer *server : servers()) {
        for (QTcpSocket *socket : server->findChildren<QTcpSocket *>())
            socket->abort();
        server->close();
    }
    QTimer::singleShot(outageMs, this, [this] {
        for (QTcpServer *server : servers())
            server->listen(QHostAddress::LocalHost, m_port);
    });
}

void DemoHttpServer::setTrackSeconds(double seconds)
{
    m_trackSeconds = seconds;
    m_audio.clear();
}

void DemoHttpServer::reply(QHttpServerResponder &responder, int status,
                        const QByteArray &contentType, const QByteArray &body, bool headOnly)
{
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
    responder.writeHeader(QByteArrayLiteral("Content-Type"), contentType);
    responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(body.size()));
    responder.writeHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    responder.writeBody(headOnly ? QByteArray() : body);
}

QByteArray DemoHttpServer::trackAudio(int trackId)
{
    if (m_audioSet.contains(trackId))
        return m_audioSet.value(trackId);
    auto found = m_audio.find(trackId);
    if (found == m_audio.end())
        found = m_audio.insert(trackId, m_trackSeconds > 0 ? DemoAudio::wavOfLength(trackId, m_trackSeconds)
                                                           : DemoAudio::wav(trackId));
    return found.value();
}

QByteArray DemoHttpServer::trackCover(const DemoTrack &track)
{
    auto found = m_covers.find(track.id);
    if (found == m_covers.end())
        found = m_covers.insert(track.id, DemoArtwork::coverPng(track.id, track.title, track.artist));
    return found.value();
}

QByteArray DemoHttpServer::cached(const QString &name, QByteArray (*make)())
{
    auto found = m_pictures.find(name);
    if (found == m_pictures.end())
        found = m_pictures.insert(name, make());
    return found.value();
}

void DemoHttpServer::replyMedia(QHttpServerResponder &responder, const QHttpServerRequest &request,
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

void DemoHttpServer::replyAudio(const QHttpServerRequest &request, QTcpSocket *socket, const QByteArray &bytes,
                             bool headOnly)
{
    const qint64 size = bytes.size();
    const QByteArray rangeHeader = request.value(QByteArrayLiteral("Range"));
    const ByteRange range = rangeHeader.isEmpty() ? ByteRange{ByteRange::Kind::Whole, 0, size - 1}
                                                  : ByteRange::parse(rangeHeader, size);
    if (m_throttle <= 0 || headOnly || range.kind == ByteRange::Kind::Unsatisfiable) {
        QHttpServerResponder responder = makeResponder(request, socket);
        replyMedia(responder, request, QByteArrayLiteral("audio/wav"), bytes, headOnly);
        return;
    }
    const bool partial = range.kind == ByteRange::Kind::Partial;
    QByteArray head = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    head += "Content-Type: audio/wav\r\nAccept-Ranges: bytes\r\nConnection: close\r\n";
    head += "Content-Length: " + QByteArray::number(range.length()) + "\r\n";
    if (partial)
        head += "Content-Range: bytes " + QByteArray::number(range.first) + '-' + QByteArray::number(range.last)
            + '/' + QByteArray::number(size) + "\r\n";
    sendThrottled(socket, head + "\r\n", bytes.mid(range.first, range.length()));
}

void DemoHttpServer::sendThrottled(QTcpSocket *socket, const QByteArray &head, const QByteArray &body)
{
    // Every 10 ms, whatever the rate allows since the start goes out; a
    // client that stops reading holds the rest back, and one that closes
    // the connection ends the reply.
    socket->write(head);
    QPointer<QTcpSocket> guarded(socket);
    auto *timer = new QTimer(socket);
    auto *clock = new QElapsedTimer;
    clock->start();
    auto sent = std::make_shared<qint64>(0);
    const qint64 rate = m_throttle;
    QObject::connect(timer, &QTimer::destroyed, [clock] { delete clock; });
    QObject::connect(timer, &QTimer::timeout, socket, [guarded, timer, clock, sent, body, rate] {
        if (!guarded || guarded->state() != QAbstractSocket::ConnectedState) {
            timer->stop();
            return;
        }
        if (guarded->bytesToWrite() > 256 * 1024)
            return;
        const qint64 allowed = qMin<qint64>(body.size(), clock->elapsed() * rate / 1000);
        if (allowed > *sent) {
            guarded->write(body.constData() + *sent, allowed - *sent);
            *sent = allowed;
        }
        if (*sent >= body.size()) {
            timer->stop();
            guarded->disconnectFromHost();
        }
    });
    timer->start(10);
}

void DemoHttpServer::replyTrackInfo(QHttpServerResponder &responder, const QUrlQuery &query, bool head)
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

bool DemoHttpServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QUrl url = request.url();
    const QString path = url.path();
    QString logged = url.hasQuery() ? path + QLatin1Char('?') + url.query(QUrl::FullyEncoded) : path;
    // A request for part of a file says which part.
    const QByteArray range = request.value(QByteArrayLiteral("Range"));
    if (!range.isEmpty())
        logged += QStringLiteral(" (%1)").arg(QString::fromLatin1(range.left(64)));
    {
        QMutexLocker locker(&m_logLock);
        m_requestLog.append(logged);
    }
    Q_EMIT requestReceived(logged);

    const int earlier = socket->property(kRequests).toInt();
    socket->setProperty(kRequests, earlier + 1);
    const QVariant acceptedAt = socket->property(kAcceptedAt);
    // Whole milliseconds, rounded down: the handshakes are never cut short.
    const qint64 age = acceptedAt.isValid() ? (m_clock.nsecsElapsed() - acceptedAt.toLongLong()) / 1000000 : 0;
    const qint64 delay = RoundTrip::responseDelayMs(m_roundTripMs, age, earlier == 0);
    if (delay <= 0)
        return serve(request, socket);
    // A timer on this thread, never a sleep: the service goes on serving
    // meanwhile. The request object is the connection's own and lives as
    // long as its socket; the clients here send one request at a time on a
    // connection, so it still holds this request when the timer fires. A
    // socket gone by then takes the timer with it.
    QTimer::singleShot(delay, Qt::PreciseTimer, socket, [this, &request, socket] {
        if (!serve(request, socket))
            missingHandler(request, socket);
    });
    return true;
}

bool DemoHttpServer::serve(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QUrl url = request.url();
    const QString path = url.path();

    // Replies go out in several small writes (status line, headers, body);
    // with Nagle's algorithm on, the later ones would wait for the client's
    // delayed acknowledgement, some 40 ms a reply.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    // The stand-in for a ListenBrainz-compatible server, at the root.
    if (DemoListenBrainz::handles(path)) {
        const QByteArray method = request.method() == QHttpServerRequest::Method::Post ? QByteArray("POST")
            : request.method() == QHttpServerRequest::Method::Get                     ? QByteArray("GET")
                                                                                      : QByteArray();
        const DemoListenBrainz::Answer answer =
            m_listenBrainz.answer(method, path, request.value("Authorization"), request.body());
        QHttpServerResponder responder = makeResponder(request, socket);
        reply(responder, answer.status, QByteArrayLiteral("application/json"), answer.body, false);
        return true;
    }

    const bool head = request.method() == QHttpServerRequest::Method::Head;
    if (request.method() != QHttpServerRequest::Method::Get && !head)
        return false;

    static const QRegularExpression sizedPath(QStringLiteral("^/media/sized-(\\d{1,9})\\.wav$"));
    if (const QRegularExpressionMatch match = sizedPath.match(path); match.hasMatch()) {
        const qint64 bytes = match.captured(1).toLongLong();
        auto found = m_sizedAudio.find(bytes);
        if (found == m_sizedAudio.end()) {
            // 16-bit mono samples: two bytes each, after a 44-byte header.
            const double seconds = qMax<qint64>(0, bytes - 44) / 2.0 / DemoAudio::kSampleRate;
            found = m_sizedAudio.insert(bytes, DemoAudio::wavOfLength(int(bytes % 97), seconds));
        }
        replyAudio(request, socket, found.value(), head);
        return true;
    }
    static const QRegularExpression mediaPath(
        QStringLiteral("^/media/(track|cover)-(\\d+)\\.(?:wav|png)$"));
    const QRegularExpressionMatch media = mediaPath.match(path);
    const DemoTrack *mediaTrack = media.hasMatch() ? DemoCatalogue::track(media.captured(2).toInt()) : nullptr;
    if (mediaTrack && media.captured(1) == QLatin1String("track")) {
        switch (m_faults.value(mediaTrack->id, TrackFault::None)) {
        case TrackFault::NoAnswer:
            // Taken, and never answered.
            return true;
        case TrackFault::NotFound: {
            QHttpServerResponder responder = makeResponder(request, socket);
            reply(responder, 404, kText, QByteArrayLiteral("Not found\n"), head);
            return true;
        }
        case TrackFault::None:
            break;
        }
        replyAudio(request, socket, trackAudio(mediaTrack->id), head);
        return true;
    }

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
    } else if (mediaTrack) {
        replyMedia(responder, request, QByteArrayLiteral("image/png"), trackCover(*mediaTrack), head);
    } else {
        reply(responder, 404, kText, QByteArrayLiteral("Not found\n"), head);
    }
    return true;
}

void DemoHttpServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    reply(responder, 405, kText, QByteArrayLiteral("Method not allowed\n"), false);
}
