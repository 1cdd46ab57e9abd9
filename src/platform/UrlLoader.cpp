#include "platform/UrlLoader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

UrlLoader::UrlLoader(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

bool UrlLoader::hasHttpBody(QNetworkReply *reply)
{
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false;
    switch (reply->error()) {
    case QNetworkReply::NoError:
    // Errors that only restate the HTTP status of a complete response.
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
        return true;
    default:
        return false;
    }
}

void UrlLoader::get(const QUrl &url, qint64 maxBytes, QObject *context,
                    std::function<void(const UrlResponse &)> completion)
{
    QPointer<QObject> guard(context);
    if (!url.isValid() || url.isRelative()) {
        QTimer::singleShot(0, this, [guard, completion] {
            if (!guard)
                return;
            UrlResponse response;
            response.error = QStringLiteral("unsupported URL");
            completion(response);
        });
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply *reply = m_manager->get(request);
    auto body = std::make_shared<QByteArray>();
    auto exceeded = std::make_shared<bool>(false);

    connect(reply, &QNetworkReply::readyRead, reply, [reply, body, exceeded, maxBytes] {
        if (*exceeded)
            return;
        const qint64 room = maxBytes - body->size();
        body->append(reply->read(qMax<qint64>(0, room) + 1));
        if (body->size() > maxBytes) {
            *exceeded = true;
            body->clear();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, reply, [reply, body, exceeded, guard, completion] {
        reply->deleteLater();
        if (!guard)
            return;
        UrlResponse response;
        response.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (*exceeded) {
            response.exceededLimit = true;
            response.error = QStringLiteral("The response is too large.");
        } else if (hasHttpBody(reply)) {
            body->append(reply->readAll());
            response.data = *body;
        } else {
            response.error = reply->errorString();
        }
        completion(response);
    });
}
