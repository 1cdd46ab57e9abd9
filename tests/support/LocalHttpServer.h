#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <functional>
#include <memory>

struct HttpRequest
{
    QByteArray method;
    QByteArray target; // path and query as sent
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body; // as long as its Content-Length said

    QString path() const;
    QString query() const; // still percent-encoded, empty when none
};

struct HttpReply
{
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("text/plain; charset=utf-8");
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int delayMs = 0;
    bool acceptRanges = false; // answer "Range" requests with 206
    qint64 breakAfter = -1; // cut the connection after this many bytes of the body

    static HttpReply text(const QByteArray &body, int status = 200);
    static HttpReply html(const QString &html);
};

// A scriptable HTTP/1.1 server on 127.0.0.1 with a port the kernel picks.
// Each request is answered by the handler (or a 404) and the connection is
// closed. Every request is recorded.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<HttpReply(const HttpRequest &)>;

    explicit LocalHttpServer(QObject *parent = nullptr);

    bool listen();
    // Listens for HTTPS with a self-signed certificate for 127.0.0.1 that no
    // client trusts.
    bool listenTls();
    quint16 port() const { return m_server->serverPort(); }
    QString origin() const;
    QUrl url(const QString &pathAndQuery) const;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // Answers a path (without query) with a fixed reply.
    void route(const QString &path, const HttpReply &reply);

    // The origin of a port on 127.0.0.1 that nothing listens on.
    static QString closedOrigin();

    QList<HttpRequest> requests() const { return m_requests; }
    QStringList requestTargets() const;
    void clearRequests() { m_requests.clear(); }

Q_SIGNALS:
    void requestReceived(const HttpRequest &request);

private:
    void onNewConnection();
    void answer(QTcpSocket *socket, const HttpRequest &request);


    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    Handler m_handler;
    QHash<QString, HttpReply> m_routes;
    QList<HttpRequest> m_requests;
};
