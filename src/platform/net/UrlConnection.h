#pragma once

#include "platform/system/InstanceCounter.h"

#include <QByteArray>
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

// One GET that reports to a delegate as it goes. The HTTP status never
// turns a body into a failure; a body longer than the limit stops the
// transfer and fails, and so does a request that takes longer than its
// time-out, whether silent or not. The connection deletes itself when it
// has ended.
class UrlConnection : public QObject
{
    Q_OBJECT

public:
    static const QString kTooLarge;
    // How many exist now: requests on their way, and ended ones not yet
    // deleted.
    static int liveCount() { return InstanceCounter<UrlConnection>::live(); }

    UrlConnection(QNetworkAccessManager *manager, const QUrl &url, qint64 maxBytes, int timeoutMs,
                  UrlConnectionDelegate *delegate, QObject *delegateObject);

    QUrl url() const { return m_url; }
    void start();
    // Whether a finished reply carries an HTTP response whose body counts,
    // whatever its status.
    static bool hasHttpBody(QNetworkReply *reply);

private:
    void onReadyRead();
    void onFinished();
    void fail(const QString &error);
    bool delegateAlive() const;

    QNetworkAccessManager *m_manager;
    QUrl m_url;
    qint64 m_maxBytes;
    int m_timeoutMs;
    UrlConnectionDelegate *m_delegate;
    QPointer<QObject> m_delegateObject;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    qint64 m_received = 0;
    bool m_responseReported = false;
    bool m_ended = false;
    InstanceCounter<UrlConnection> m_counted;
};
