#pragma once

#include "platform/system/BundleInfo.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class QHttpServerResponder;
class QUrlQuery;
struct DemoTrack;

// Everything the application talks to, served on 127.0.0.1 with a port the
// kernel picks: the catalogue site under "/kavu" and the service host's
// paths. It stands in for both origins when no real server can be reached.
class DemoService : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit DemoService(QObject *parent = nullptr);

    // Starts listening; false when no port could be had.
    bool start();
    quint16 port() const { return m_port; }
    QString origin() const;
    QString siteAddress() const;
    // The application's built-in bundle with both origins on this service.
    BundleInfo bundle() const;

    // Makes every track this many seconds long (0: each its own length);
    // short tracks let a long run go through many of them.
    void setTrackSeconds(double seconds);
    // Sends audio at this many bytes per second (0: as fast as it goes), as
    // a slow link would.
    void setThrottle(qint64 bytesPerSecond) { m_throttle = bytesPerSecond; }
    // The address of a generated track of about this many bytes, served
    // like every other track.
    QString sizedTrackUrl(qint64 bytes) const;

    // The path and query of every request received, in order.
    QList<QString> requestLog() const { return m_requestLog; }

Q_SIGNALS:
    void requestReceived(const QString &pathAndQuery);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    QByteArray trackAudio(int trackId);
    QByteArray trackCover(const DemoTrack &track);
    QByteArray cached(const QString &name, QByteArray (*make)());
    void replyTrackInfo(QHttpServerResponder &responder, const QUrlQuery &query, bool head);
    // Media answer ranges: HEAD, Accept-Ranges and 206 partial content.
    static void replyMedia(QHttpServerResponder &responder, const QHttpServerRequest &request,
                           const QByteArray &contentType, const QByteArray &bytes, bool headOnly);
    // Audio goes through here: at once, or throttled straight onto the
    // socket.
    void replyAudio(const QHttpServerRequest &request, QTcpSocket *socket, const QByteArray &bytes,
                    bool headOnly);
    void sendThrottled(QTcpSocket *socket, const QByteArray &head, const QByteArray &body);
    static void reply(QHttpServerResponder &responder, int status, const QByteArray &contentType,
                      const QByteArray &body, bool headOnly);

    quint16 m_port = 0;
    double m_trackSeconds = 0;
    qint64 m_throttle = 0;
    QHash<qint64, QByteArray> m_sizedAudio;
    QList<QString> m_requestLog;
    QHash<int, QByteArray> m_audio;
    QHash<int, QByteArray> m_covers;
    QHash<QString, QByteArray> m_pictures;
};
