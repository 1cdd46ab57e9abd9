#include "platform/net/UrlLoader.h"

#include "platform/net/UrlConnection.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>

namespace {

// Gathers one connection's body for a completion.
class BodyCollector : public QObject, public UrlConnectionDelegate
{
public:
    BodyCollector(QObject *context, std::function<void(const UrlResponse &)> completion,
                  QObject *parent)
        : QObject(parent)
        , m_context(context)
        , m_completion(std::move(completion))
    {
    }

    void connectionDidReceiveResponse(UrlConnection *connection, int httpStatus) override
    {
        m_response.httpStatus = httpStatus;
        m_response.headers = connection->responseHeaders();
        m_body.clear();
    }

    void connectionDidReceiveData(UrlConnection *, const QByteArray &data) override
    {
        m_body.append(data);
    }

    void connectionDidFinishLoading(UrlConnection *) override
    {
        m_response.data = m_body;
        complete();
    }

    void connectionDidFailWithError(UrlConnection *, const QString &error) override
    {
        m_response.error = error;
        m_response.exceededLimit = error == UrlConnection::kTooLarge;
        m_body.clear();
        complete();
    }

private:
    void complete()
    {
        if (m_context)
            m_completion(m_response);
        deleteLater();
    }

    QPointer<QObject> m_context;
    std::function<void(const UrlResponse &)> m_completion;
    UrlResponse m_response;
    QByteArray m_body;
};

} // namespace

QByteArray UrlResponse::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

UrlLoader::UrlLoader(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reopen.setSingleShot(true);
    m_reopen.setInterval(kReopenIdleMs);
    // Coarse: a few seconds either way still lies well before Qt's close.
    m_reopen.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_reopen, &QTimer::timeout, this, &UrlLoader::openKeptConnections);
    connect(m_manager, &QNetworkAccessManager::finished, this, [this](QNetworkReply *reply) {
        // Qt's own replies for the connections opened ahead are nobody
        // else's to delete.
        if (reply->url().scheme().startsWith(QLatin1String("preconnect-")))
            reply->deleteLater();
        if (!m_keptOpen.isEmpty())
            m_reopen.start();
    });
}

QString UrlLoader::originOf(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    const int port = url.port(scheme == QLatin1String("https") ? 443 : 80);
    return QStringLiteral("%1://%2:%3").arg(scheme, url.host(QUrl::FullyEncoded).toLower()).arg(port);
}

void UrlLoader::keepConnectionOpen(const QUrl &url)
{
    const QString origin = originOf(url);
    if (origin.isEmpty() || m_keptOpen.contains(origin))
        return;
    m_keptOpen.append(origin);
    openKeptConnections();
}

void UrlLoader::openKeptConnections()
{
    for (const QString &origin : std::as_const(m_keptOpen)) {
        const QUrl url(origin);
        if (url.scheme() == QLatin1String("https")) {
            // Requests may use HTTP/2, and Qt decides that when the
            // connection is made: the connection opened ahead offers it too.
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            tls.setAllowedNextProtocols({QSslConfiguration::ALPNProtocolHTTP2, QSslConfiguration::NextProtocolHttp1_1});
            m_manager->connectToHostEncrypted(url.host(), quint16(url.port()), tls);
        } else {
            m_manager->connectToHost(url.host(), quint16(url.port()));
        }
    }
    m_reopen.start();
}

UrlConnection *UrlLoader::connectionWithRequest(const QUrl &url, qint64 maxBytes,
                                                UrlConnectionDelegate *delegate,
                                                QObject *delegateObject, UrlConnection::Rule rule)
{
    return new UrlConnection(m_manager, url, maxBytes, m_timeoutMs, delegate, delegateObject, rule);
}

void UrlLoader::get(const QUrl &url, qint64 maxBytes, QObject *context,
                    std::function<void(const UrlResponse &)> completion, UrlConnection::Rule rule)
{
    auto *collector = new BodyCollector(context, std::move(completion), this);
    connectionWithRequest(url, maxBytes, collector, collector, rule)->start();
}

void UrlLoader::send(const QUrl &url, const QList<QPair<QByteArray, QByteArray>> &headers,
                     const std::optional<QByteArray> &body, qint64 maxBytes, QObject *context,
                     std::function<void(const UrlResponse &)> completion)
{
    auto *collector = new BodyCollector(context, std::move(completion), this);
    UrlConnection *connection = connectionWithRequest(url, maxBytes, collector, collector);
    connection->setRequestHeaders(headers);
    if (body)
        connection->setPostBody(*body);
    connection->start();
}
