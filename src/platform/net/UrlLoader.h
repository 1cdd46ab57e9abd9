#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

#include "platform/net/UrlConnection.h"

class QNetworkAccessManager;

// The outcome of one GET: the body, or an error with a readable text. The
// HTTP status never turns a body into an error: an error status with a body
// is a body.
struct UrlResponse
{
    int httpStatus = 0;              // 0 when no HTTP response arrived
    std::optional<QByteArray> data;  // present when a whole body arrived
    QString error;                   // set when no body arrived
    bool exceededLimit = false;      // the body grew past the caller's limit
    QList<QPair<QByteArray, QByteArray>> headers; // of the response, as they came

    // A header of the response (the name in any case), or an empty array.
    QByteArray header(const QByteArray &name) const;

    bool succeeded() const { return data.has_value(); }
};

// URL loading on one shared network access manager: connections that report
// to a delegate as they go, and GETs whose whole outcome goes to a
// completion. Every request has the platform's default time-out; TLS errors
// are never ignored; redirects are followed only to addresses no less safe.
// Outcomes arrive on the GUI thread, never before the call returns, and not
// at all once the delegate's or caller's context object is gone.
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

    // A connection for the URL, not yet started. A body longer than maxBytes
    // fails the connection.
    UrlConnection *connectionWithRequest(const QUrl &url, qint64 maxBytes,
                                         UrlConnectionDelegate *delegate, QObject *delegateObject,
                                         UrlConnection::Rule rule = UrlConnection::Rule::Text);

    // Sends a GET for the URL. A body longer than maxBytes is not kept: the
    // transfer stops and the response says the limit was exceeded. An
    // invalid URL completes (later) with an error.
    // Texts come whole within the time-out; downloads (pictures) as long as
    // they make progress (UrlConnection).
    void get(const QUrl &url, qint64 maxBytes, QObject *context,
             std::function<void(const UrlResponse &)> completion,
             UrlConnection::Rule rule = UrlConnection::Rule::Text);

    // Sends a text request with these headers: a GET, or a POST of body;
    // the outcome as for get().
    void send(const QUrl &url, const QList<QPair<QByteArray, QByteArray>> &headers,
              const std::optional<QByteArray> &body, qint64 maxBytes, QObject *context,
              std::function<void(const UrlResponse &)> completion);

    // Opens a connection to the URL's server now (with TLS for https), so
    // that a first request to it pays no handshakes, and keeps one open from
    // then on. Qt 6.4 closes a connection after kIdleCloseMs without
    // requests; kReopenIdleMs into such a silence it is opened again, which
    // Qt counts as a use. A URL without a host or of another scheme is
    // ignored; a server already kept open is not added twice.
    void keepConnectionOpen(const QUrl &url);
    static constexpr int kIdleCloseMs = 120000;
    static constexpr int kReopenIdleMs = 110000;
    // The origins kept open, as "scheme://host:port".
    QList<QString> keptOpen() const { return m_keptOpen; }
    // Shortens the silence before a re-opening (tests).
    void setReopenIdleMs(int milliseconds) { m_reopen.setInterval(milliseconds); }

private:
    static QString originOf(const QUrl &url);
    void openKeptConnections();

    QNetworkAccessManager *m_manager;
    int m_timeoutMs = kDefaultTimeoutMs;
    QList<QString> m_keptOpen;
    // Restarted by every finished request: it fires only after a silence.
    QTimer m_reopen;
};
