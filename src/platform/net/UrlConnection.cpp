#include "platform/net/UrlConnection.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

const QString UrlConnection::kTooLarge = QStringLiteral("The response is too large.");

UrlConnection::UrlConnection(QNetworkAccessManager *manager, const QUrl &url, qint64 maxBytes,
                             int timeoutMs, UrlConnectionDelegate *delegate, QObject *delegateObject, Rule rule)
    : QObject(manager)
    , m_manager(manager)
    , m_url(url)
    , m_maxBytes(maxBytes)
    , m_timeoutMs(timeoutMs)
    , m_delegate(delegate)
    , m_delegateObject(delegateObject)
    , m_rule(rule)
{
}

bool UrlConnection::hasHttpBody(QNetworkReply *reply)
{
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false;
    switch (reply->error()) {
    case QNetworkReply::NoError:
        return true;
    // Errors that only restate the HTTP status of a complete response. Qt
    // also reports a body it stopped inflating (a likely gzip bomb) as
    // unknown content; on a successful status that is a failure, not a body.
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentReSendError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400;
    default:
        return false;
    }
}

void UrlConnection::setByteRange(qint64 first, qint64 last, const QByteArray &validator)
{
    m_rangeFirst = first;
    m_rangeLast = last;
    m_rangeValidator = validator;
}

QByteArray UrlConnection::responseHeader(const QByteArray &name) const
{
    return m_reply ? m_reply->rawHeader(name) : QByteArray();
}

QList<QPair<QByteArray, QByteArray>> UrlConnection::responseHeaders() const
{
    return m_reply ? m_reply->rawHeaderPairs() : QList<QPair<QByteArray, QByteArray>>();
}

void UrlConnection::setPostBody(const QByteArray &body)
{
    m_post = true;
    m_postBody = body;
}

namespace {

// Failures of the connection that a later attempt may not meet.
bool isTransient(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer time-out
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ServiceUnavailableError:
        return true;
    default:
        return false;
    }
}

} // namespace

bool UrlConnection::delegateAlive() const
{
    return m_delegate && m_delegateObject;
}

void UrlConnection::start()
{
    if (!m_url.isValid() || m_url.isRelative()) {
        QTimer::singleShot(0, this, [this] { fail(QStringLiteral("unsupported URL")); });
        return;
    }
    QNetworkRequest request(m_url);
    if (m_rangeFirst >= 0) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_rangeFirst) + '-'
                                          + (m_rangeLast >= 0 ? QByteArray::number(m_rangeLast) : QByteArray()));
        if (!m_rangeValidator.isEmpty())
            request.setRawHeader("If-Range", m_rangeValidator);
    }
    for (const auto &[name, value] : std::as_const(m_requestHeaders))
        request.setRawHeader(name, value);
    // The transfer time-out counts silence.
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_post ? m_manager->post(request, m_postBody) : m_manager->get(request);
    m_clock.start();
    if (m_rule == Rule::Text) {
        // A server that trickles a text without end is stopped by a deadline
        // for the whole request.
        m_deadline.setSingleShot(true);
        m_deadline.setInterval(m_timeoutMs);
        connect(&m_deadline, &QTimer::timeout, this, [this] { fail(QStringLiteral("The request timed out.")); });
        m_deadline.start();
    } else {
        // A download is looked at once a second for its average rate.
        m_progressCheck.setInterval(1000);
        connect(&m_progressCheck, &QTimer::timeout, this, &UrlConnection::checkProgress);
        m_progressCheck.start();
    }
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &UrlConnection::onHeaders);
    connect(m_reply, &QNetworkReply::readyRead, this, &UrlConnection::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UrlConnection::onFinished);
    // A response that follows a redirect starts the body afresh.
    connect(m_reply, &QNetworkReply::redirected, this, [this] { m_responseReported = false; });
}

void UrlConnection::onHeaders()
{
    if (m_ended || !m_reply)
        return;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    m_expectedLength = length.isValid() ? length.toLongLong() : -1;
    // Too large by its own word: not a byte of it is read.
    if (m_expectedLength > m_maxBytes)
        fail(kTooLarge);
}

void UrlConnection::checkProgress()
{
    if (m_ended || m_clock.elapsed() < m_timeoutMs)
        return;
    if (m_received * 1000 < kMinimumDownloadRate * m_clock.elapsed())
        fail(QStringLiteral("The download is too slow."));
}

void UrlConnection::cancel()
{
    m_delegate = nullptr;
    fail(QString());
}

void UrlConnection::onReadyRead()
{
    if (m_ended)
        return;
    if (!m_responseReported) {
        m_responseReported = true;
        m_received = 0;
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (delegateAlive())
            m_delegate->connectionDidReceiveResponse(this, status);
    }
    while (!m_ended && m_reply && m_reply->bytesAvailable() > 0) {
        // Never more than one byte past the limit is read.
        const QByteArray data =
            m_reply->read(qMin(m_reply->bytesAvailable(), m_maxBytes - m_received + 1));
        m_received += data.size();
        if (m_received > m_maxBytes) {
            fail(kTooLarge);
            return;
        }
        if (delegateAlive())
            m_delegate->connectionDidReceiveData(this, data);
    }
}

void UrlConnection::onFinished()
{
    if (m_ended)
        return;
    if (!hasHttpBody(m_reply)) {
        m_transientFailure = isTransient(m_reply->error());
        fail(m_reply->errorString());
        return;
    }
    onReadyRead();
    if (m_ended)
        return;
    m_ended = true;
    m_deadline.stop();
    m_progressCheck.stop();
    if (delegateAlive())
        m_delegate->connectionDidFinishLoading(this);
    m_reply->deleteLater();
    deleteLater();
}

void UrlConnection::fail(const QString &error)
{
    if (m_ended)
        return;
    m_ended = true;
    m_deadline.stop();
    m_progressCheck.stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    if (delegateAlive())
        m_delegate->connectionDidFailWithError(this, error);
    deleteLater();
}
