#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The outcome of one GET: the body, or an error with a readable text. The
// HTTP status never turns a body into an error: an error status with a body
// is a body.
struct UrlResponse
{
    int httpStatus = 0;              // 0 when no HTTP response arrived
    std::optional<QByteArray> data;  // present when a whole body arrived
    QString error;                   // set when no body arrived
    bool exceededLimit = false;      // the body grew past the caller's limit

    bool succeeded() const { return data.has_value(); }
};

// Asynchronous GET requests on one shared network access manager. Every
// request has the platform's default time-out; TLS errors are never ignored;
// redirects are followed only to addresses no less safe. The completion
// runs once, on the GUI thread, unless the context object is gone by then.
class UrlLoader : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultTimeoutMs = 60000;

    explicit UrlLoader(QObject *parent = nullptr);

    QNetworkAccessManager *networkAccessManager() const { return m_manager; }

    // Time-out for requests sent from now on (tests shorten it).
    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    int timeoutMs() const { return m_timeoutMs; }

    // Sends a GET for the URL. A body longer than maxBytes is not kept: the
    // transfer stops and the response says the limit was exceeded. An
    // invalid URL completes (later) with an error.
    void get(const QUrl &url, qint64 maxBytes, QObject *context,
             std::function<void(const UrlResponse &)> completion);

    // Whether a finished reply carries an HTTP response whose body counts,
    // whatever its status.
    static bool hasHttpBody(QNetworkReply *reply);

private:
    QNetworkAccessManager *m_manager;
    int m_timeoutMs = kDefaultTimeoutMs;
};
