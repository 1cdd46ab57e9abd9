#pragma once

#include "platform/system/InstanceCounter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

class UrlConnection;

// Told what a connection receives, on the GUI thread: a response (each
// response starts the body afresh), pieces of the body, and at last either
// the end or a failure with a readable description.
class UrlConnectionDelegate
{
public:
    virtual ~UrlConnectionDelegate() = default;
    virtual void connectionDidReceiveResponse(UrlConnection *connection, int httpStatus) = 0;
    virtual void connectionDidReceiveData(UrlConnection *connection, const QByteArray &data) = 0;
    virtual void connectionDidFinishLoading(UrlConnection *connection) = 0;
    virtual void connectionDidFailWithError(UrlConnection *connection, const QString &error) = 0;
};

// One GET (or POST) that reports to a delegate as it goes. The HTTP status never
// turns a body into a failure; a body longer than the limit stops the
// transfer and fails (before any of it is read when the response says its
// length). The connection deletes itself when it has ended.
//
// Two rules end a request that takes too long. A text (track information,
// lookups, account, feeds) must come whole within the time-out, whether the
// server is silent or trickles. A download (a track, a picture) may take as
// long as it makes progress: it fails when nothing has come for the
// time-out, or when, once the time-out has passed, it has come at less than
// kMinimumDownloadRate on average since it started.
class UrlConnection : public QObject
{
    Q_OBJECT

public:
    enum class Rule { Text, Download };

    static const QString kTooLarge;
    // 8 KiB/s: a 200 MiB track at that rate would take seven hours; a server
    // that sends a byte a second fails after the time-out.
    static constexpr qint64 kMinimumDownloadRate = 8 * 1024;
    // How many exist now: requests on their way, and ended ones not yet
    // deleted.
    static int liveCount() { return InstanceCounter<UrlConnection>::live(); }

    UrlConnection(QNetworkAccessManager *manager, const QUrl &url, qint64 maxBytes, int timeoutMs,
                  UrlConnectionDelegate *delegate, QObject *delegateObject, Rule rule = Rule::Text);

    QUrl url() const { return m_url; }
    // Asks for the bytes from first to last (-1: to the end) with a Range
    // header, only while the resource is still the one validator (an ETag
    // or a date; none: any) names (If-Range); before start().
    void setByteRange(qint64 first, qint64 last = -1, const QByteArray &validator = QByteArray());
    // Headers of the request, and a body to send with a POST rather than a
    // GET; before start().
    void setRequestHeaders(const QList<QPair<QByteArray, QByteArray>> &headers) { m_requestHeaders = headers; }
    void setPostBody(const QByteArray &body);
    void start();
    // Ends the request; the delegate hears nothing more.
    void cancel();
    // The body's length as the response declares it, or -1.
    qint64 expectedLength() const { return m_expectedLength; }
    // A header of the response, once it has come.
    QByteArray responseHeader(const QByteArray &name) const;
    QList<QPair<QByteArray, QByteArray>> responseHeaders() const;
    // Why the transfer failed, as the network told it: only a failure of
    // the connection itself (refused, closed, silent too long, no route) may
    // go away by trying again; too large, too slow, TLS, redirects and
    // unsupported addresses will not.
    bool failedTransiently() const { return m_transientFailure; }
    // Whether a finished reply carries an HTTP response whose body counts,
    // whatever its status.
    static bool hasHttpBody(QNetworkReply *reply);

private:
    void onReadyRead();
    void onFinished();
    void onHeaders();
    void checkProgress();
    void fail(const QString &error);
    bool delegateAlive() const;

    QNetworkAccessManager *m_manager;
    QUrl m_url;
    qint64 m_maxBytes;
    int m_timeoutMs;
    UrlConnectionDelegate *m_delegate;
    QPointer<QObject> m_delegateObject;
    QPointer<QNetworkReply> m_reply;
    Rule m_rule;
    QTimer m_deadline;
    QTimer m_progressCheck;
    QElapsedTimer m_clock;
    qint64 m_received = 0;
    qint64 m_expectedLength = -1;
    qint64 m_rangeFirst = -1;
    qint64 m_rangeLast = -1;
    QByteArray m_rangeValidator;
    bool m_post = false;
    QByteArray m_postBody;
    QList<QPair<QByteArray, QByteArray>> m_requestHeaders;
    QByteArray m_contentRange;
    bool m_transientFailure = false;
    bool m_responseReported = false;
    bool m_ended = false;
    InstanceCounter<UrlConnection> m_counted;
};
