#include "LocalHttpServer.h"

#include "demo/ByteRange.h"

#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

QString HttpRequest::path() const
{
    const int mark = target.indexOf('?');
    return QString::fromUtf8(mark < 0 ? target : target.left(mark));
}

QString HttpRequest::query() const
{
    const int mark = target.indexOf('?');
    return mark < 0 ? QString() : QString::fromUtf8(target.mid(mark + 1));
}

HttpReply HttpReply::text(const QByteArray &body, int status)
{
    HttpReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

HttpReply HttpReply::html(const QString &html)
{
    HttpReply reply;
    reply.contentType = QByteArrayLiteral("text/html; charset=utf-8");
    reply.body = html.toUtf8();
    return reply;
}

LocalHttpServer::LocalHttpServer(QObject *parent)
    : QObject(parent)
    , m_server(std::make_unique<QTcpServer>())
{
}

bool LocalHttpServer::listen()
{
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &LocalHttpServer::onNewConnection);
    return m_server->listen(QHostAddress::LocalHost, 0);
}

bool LocalHttpServer::listenTls()
{
    QFile certificate(QStringLiteral(KAVU_TEST_TLS_DIR "/cert.pem"));
    QFile key(QStringLiteral(KAVU_TEST_TLS_DIR "/key.pem"));
    if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        return false;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(QSslCertificate(certificate.readAll()));
    configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(configuration);
    m_server = std::move(server);
    m_tls = true;
    return listen();
}

QString LocalHttpServer::origin() const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(m_tls ? QStringLiteral("https") : QStringLiteral("http")).arg(port());
}

QString LocalHttpServer::closedOrigin()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

QUrl LocalHttpServer::url(const QString &pathAndQuery) const
{
    return QUrl(origin() + pathAndQuery);
}

void LocalHttpServer::route(const QString &path, const HttpReply &reply)
{
    m_routes.insert(path, reply);
}

QStringList LocalHttpServer::requestTargets() const
{
    QStringList targets;
    for (const HttpRequest &request : m_requests)
        targets.append(QString::fromUtf8(request.target));
    return targets;
}

void LocalHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const int end = buffer->indexOf("\r\n\r\n");
            if (end < 0 || socket->property("answered").toBool())
                return;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            HttpRequest request;
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            request.method = requestLine.value(0);
            request.target = requestLine.value(1);
            for (int i = 1; i < lines.size(); ++i) {
                const int colon = lines.at(i).indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                           lines.at(i).mid(colon + 1).trimmed());
            }
            // A body is answered once it has come whole.
            const qint64 length = request.headers.value("content-length").toLongLong();
            if (buffer->size() - (end + 4) < length)
                return;
            request.body = buffer->mid(end + 4, length);
            socket->setProperty("answered", true);
            m_requests.append(request);
            Q_EMIT requestReceived(request);
            answer(socket, request);
        });
    }
}

void LocalHttpServer::answer(QTcpSocket *socket, const HttpRequest &request)
{
    HttpReply reply;
    if (m_handler) {
        reply = m_handler(request);
    } else {
        const auto route = m_routes.constFind(request.path());
        reply = route != m_routes.cend() ? route.value() : HttpReply::text("Not found\n", 404);
    }
    QByteArray extraHeaders;
    if (reply.acceptRanges) {
        extraHeaders += "Accept-Ranges: bytes\r\n";
        const QByteArray rangeHeader = request.headers.value("range");
        const ByteRange range = ByteRange::parse(rangeHeader, reply.body.size());
        if (!rangeHeader.isEmpty() && range.kind == ByteRange::Kind::Partial) {
            extraHeaders += "Content-Range: bytes " + QByteArray::number(range.first) + '-'
                + QByteArray::number(range.last) + '/' + QByteArray::number(reply.body.size())
                + "\r\n";
            reply.body = reply.body.mid(range.first, range.length());
            reply.status = 206;
        }
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Reply\r\n" + extraHeaders;
    head += "Content-Type: " + reply.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n";
    for (const auto &header : std::as_const(reply.headers))
        head += header.first + ": " + header.second + "\r\n";
    head += "\r\n";
    const QByteArray body = reply.breakAfter >= 0 ? reply.body.left(reply.breakAfter) : reply.body;
    const QByteArray bytes = request.method == "HEAD" ? head : head + body;
    QPointer<QTcpSocket> guarded(socket);
    // A body cut short ends the same way: the connection closes after what
    // was written, before the length the head told.
    auto send = [guarded, bytes] {
        if (!guarded)
            return;
        guarded->write(bytes);
        guarded->disconnectFromHost();
    };
    if (reply.delayMs > 0)
        QTimer::singleShot(reply.delayMs, this, send);
    else
        send();
}
