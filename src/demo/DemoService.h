#pragma once

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
    static void reply(QHttpServerResponder &responder, int status, const QByteArray &contentType,
                      const QByteArray &body, bool headOnly);

    quint16 m_port = 0;
    QList<QString> m_requestLog;
    QHash<int, QByteArray> m_audio;
    QHash<int, QByteArray> m_covers;
    QHash<QString, QByteArray> m_pictures;
};
