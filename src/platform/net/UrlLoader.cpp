#include "platform/net/UrlLoader.h"

#include "platform/net/UrlConnection.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>

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

    void connectionDidReceiveResponse(UrlConnection *, int httpStatus) override
    {
        m_response.httpStatus = httpStatus;
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

UrlLoader::UrlLoader(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
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
