#include "listens/ListenBrainzClient.h"

#include "listens/ListenQueue.h"
#include "platform/net/RemoteText.h"
#include "platform/net/UrlLoader.h"
#include "platform/system/Log.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// A number of seconds in a header, as milliseconds; -1 when there is none.
qint64 secondsHeader(const UrlResponse &response, const QByteArray &name)
{
    bool ok = false;
    const double seconds = response.header(name).trimmed().toDouble(&ok);
    return ok && seconds >= 0 ? qint64(std::min(seconds, 86400.0) * 1000) : -1;
}

} // namespace

ListenBrainzClient::ListenBrainzClient(UrlLoader *loader, ListenQueue *queue, const QString &version, QObject *parent)
    : QObject(parent)
    , m_loader(loader)
    , m_queue(queue)
    , m_version(version)
{
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &ListenBrainzClient::sendQueued);
}

QUrl ListenBrainzClient::endpoint(const QUrl &api, const QString &path)
{
    QUrl url = api;
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    return url;
}

QList<QPair<QByteArray, QByteArray>> ListenBrainzClient::headers(const QString &token) const
{
    return {{QByteArray("Authorization"), "Token " + token.toUtf8()},
            {QByteArray("Content-Type"), QByteArray("application/json")}};
}

void ListenBrainzClient::setApiAddress(const QUrl &address)
{
    if (address == m_api)
        return;
    m_api = address;
    startOver();
    sendQueued();
}

void ListenBrainzClient::startOver()
{
    // Answers to what was sent before are not this server's or this
    // token's to judge, and nothing of their waits holds.
    ++m_generation;
    m_wait.stop();
    m_retryMs = m_firstRetryMs;
}

void ListenBrainzClient::setToken(const std::optional<QString> &token)
{
    m_token = token && !token->trimmed().isEmpty() ? std::optional<QString>(token->trimmed()) : std::nullopt;
    startOver();
    setTokenRefused(false);
    sendQueued();
}

void ListenBrainzClient::setEnabled(bool enabled)
{
    m_enabled = enabled;
    sendQueued();
}

bool ListenBrainzClient::canSend() const
{
    return m_enabled && m_token && !m_tokenRefused && m_api.isValid();
}

void ListenBrainzClient::setTokenRefused(bool refused)
{
    if (refused == m_tokenRefused)
        return;
    m_tokenRefused = refused;
    Q_EMIT tokenRefusedChanged(refused);
}

void ListenBrainzClient::playingNow(const Listen &listen)
{
    // Worth sending only now: not queued, and not sent while a wait holds.
    if (!canSend() || !listen.isComplete() || m_wait.isActive())
        return;
    const quint64 generation = m_generation;
    m_loader->send(endpoint(m_api, QStringLiteral("/1/submit-listens")), headers(*m_token),
                   ListenPayload::submission(ListenPayload::Type::PlayingNow, {listen}, m_version), kMaxReplyBytes,
                   this, [this, generation](const UrlResponse &response) {
                       if (generation != m_generation)
                           return;
                       if (response.httpStatus == 401)
                           setTokenRefused(true);
                       noteRateLimit(response);
                   });
}

void ListenBrainzClient::listened(const Listen &listen)
{
    if (!listen.isComplete()) {
        systemLog(QStringLiteral("ListenBrainz: a listen without an artist or a title is not kept"));
        return;
    }
    m_queue->append(listen);
    sendQueued();
}

void ListenBrainzClient::sendQueued()
{
    if (m_sending || m_wait.isActive() || !canSend() || m_queue->size() == 0)
        return;
    const QList<ListenQueue::Entry> batch = m_queue->first(m_batchSize);
    QList<Listen> listens;
    QList<quint64> ids;
    for (const ListenQueue::Entry &entry : batch) {
        listens.append(entry.listen);
        ids.append(entry.id);
    }
    m_sending = true;
    const quint64 generation = m_generation;
    const auto type = listens.size() == 1 ? ListenPayload::Type::Single : ListenPayload::Type::Import;
    m_loader->send(endpoint(m_api, QStringLiteral("/1/submit-listens")), headers(*m_token),
                   ListenPayload::submission(type, listens, m_version), kMaxReplyBytes, this,
                   [this, generation, ids](const UrlResponse &response) {
                       m_sending = false;
                       if (generation != m_generation) {
                           // Sent with an earlier token or to an earlier
                           // server: what it took is gone all the same, the
                           // rest goes again now.
                           if (response.httpStatus == 200)
                               m_queue->remove(ids);
                           sendQueued();
                           return;
                       }
                       onAnswer(response, ids);
                   });
}

void ListenBrainzClient::onAnswer(const UrlResponse &response, const QList<quint64> &ids)
{
    const int status = response.httpStatus;
    if (status == 200) {
        // Accepted: gone from the queue at once, never sent again.
        m_queue->remove(ids);
        m_retryMs = m_firstRetryMs;
        m_batchSize = kBatchSize;
        Q_EMIT accepted(int(ids.size()));
        noteRateLimit(response);
        sendQueued();
        return;
    }
    if (status == 401) {
        systemLog(QStringLiteral("ListenBrainz: the token was refused; %1 listens are kept until a valid one is set")
                      .arg(m_queue->size()));
        setTokenRefused(true);
        return;
    }
    if (status == 429) {
        qint64 waitMs = secondsHeader(response, "Retry-After");
        if (waitMs < 0)
            waitMs = secondsHeader(response, "X-RateLimit-Reset-In");
        if (waitMs < 0)
            waitMs = kDefaultRateWaitMs;
        systemLog(QStringLiteral("ListenBrainz: the server asks to wait %1 s").arg(double(waitMs) / 1000, 0, 'f', 1));
        m_wait.start(int(waitMs));
        return;
    }
    if (status == 400 && ids.size() == 1) {
        // The server will never take this one: it goes, or it would hold
        // every later listen back.
        const QString message = RemoteText::cut(
            QJsonDocument::fromJson(response.data.value_or(QByteArray())).object().value(QStringLiteral("error")).toString(),
            RemoteText::kMaxMessageLength);
        systemLog(QStringLiteral("ListenBrainz: a listen the server refused is dropped: %1").arg(message));
        m_queue->remove(ids);
        sendQueued();
        return;
    }
    if (status == 400) {
        // One listen of the batch may be at fault: they go one by one.
        m_batchSize = 1;
        sendQueued();
        return;
    }
    const QString why = status ? QStringLiteral("HTTP %1").arg(status) : response.error;
    systemLog(QStringLiteral("ListenBrainz: %1 listens not sent (%2); trying again in %3 s")
                  .arg(m_queue->size())
                  .arg(why)
                  .arg(double(m_retryMs) / 1000));
    m_wait.start(m_retryMs);
    m_retryMs = std::min(m_retryMs * 2, kLongestRetryMs);
}

void ListenBrainzClient::noteRateLimit(const UrlResponse &response)
{
    bool ok = false;
    const int remaining = response.header("X-RateLimit-Remaining").trimmed().toInt(&ok);
    const qint64 resetMs = secondsHeader(response, "X-RateLimit-Reset-In");
    if (ok && remaining <= 0 && resetMs > 0 && !m_wait.isActive())
        m_wait.start(int(resetMs));
}

void ListenBrainzClient::validateToken(const QUrl &apiAddress, const QString &token, QObject *context,
                                       std::function<void(const Validation &)> done)
{
    m_loader->send(endpoint(apiAddress, QStringLiteral("/1/validate-token")), headers(token.trimmed()), std::nullopt,
                   kMaxReplyBytes, context, [done = std::move(done)](const UrlResponse &response) {
                       Validation validation;
                       const QJsonObject answer = QJsonDocument::fromJson(response.data.value_or(QByteArray())).object();
                       validation.answered = response.succeeded() && answer.contains(QStringLiteral("valid"));
                       validation.valid = validation.answered && answer.value(QStringLiteral("valid")).toBool();
                       validation.userName = RemoteText::cut(answer.value(QStringLiteral("user_name")).toString(),
                                                             RemoteText::kMaxNameLength);
                       if (validation.answered)
                           validation.message = RemoteText::cut(answer.value(QStringLiteral("message")).toString(),
                                                                RemoteText::kMaxMessageLength);
                       else if (!response.succeeded())
                           validation.message = response.error;
                       else
                           validation.message = QStringLiteral("HTTP %1, not an answer of the ListenBrainz API")
                                                    .arg(response.httpStatus);
                       done(validation);
                   });
}
