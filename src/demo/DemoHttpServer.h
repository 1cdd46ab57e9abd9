#pragma once

#include "demo/DemoListenBrainz.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

class QHttpServerResponder;
class QUrlQuery;
struct DemoTrack;

// The demo service's HTTP server: everything the application talks to,
// served on 127.0.0.1 with a port the kernel picks: the catalogue site under
// "/kavu" and the service host's paths. It runs on the thread of the
// DemoService that owns it, and touches nothing of any other thread but the
// request log, which it keeps under a lock.
class DemoHttpServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit DemoHttpServer(QObject *parent = nullptr);

    // Starts listening; false when no port could be had.
    bool start();
    quint16 port() const { return m_port; }
    QString origin() const;

    // Makes every track this many seconds long (0: each its own length);
    // short tracks let a long run go through many of them.
    void setTrackSeconds(double seconds);
    // What a track's audio address answers: these bytes (any format; none:
    // its own audio again), or a fault. Tests and measurements set them; a
    // new length of every track (setTrackSeconds) leaves them.
    enum class TrackFault { None, NotFound, NoAnswer };
    void setTrackAudio(int trackId, const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            m_audioSet.remove(trackId);
        else
            m_audioSet.insert(trackId, bytes);
    }
    void setTrackFault(int trackId, TrackFault fault) { m_faults.insert(trackId, fault); }
    // Sends audio at this many bytes per second (0: as fast as it goes), as
    // a slow link would.
    void setThrottle(qint64 bytesPerSecond) { m_throttle = bytesPerSecond; }
    // Breaks every connection now and refuses new ones for outageMs.
    void interrupt(int outageMs);
    // Answers as a server this many milliseconds away would (RoundTrip);
    // 0: at once.
    void setRoundTripMs(int milliseconds) { m_roundTripMs = milliseconds; }

    // What the ListenBrainz stand-in accepted (this server's thread).
    QList<DemoListenBrainz::Submission> acceptedListens() const { return m_listenBrainz.accepted(); }

    // The path and query of every request received, in order, with the
    // Range asked for, if any, as " (bytes=...)"; any thread.
    QList<QString> requestLog() const;

Q_SIGNALS:
    void requestReceived(const QString &pathAndQuery);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    // Notes when each new connection was accepted, for its handshakes.
    void stampNewConnections();
    // Answers a request; false when its method has no handler.
    bool serve(const QHttpServerRequest &request, QTcpSocket *socket);
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
    int m_roundTripMs = 0;
    QElapsedTimer m_clock;
    QHash<qint64, QByteArray> m_sizedAudio;
    mutable QMutex m_logLock;
    QList<QString> m_requestLog;
    QHash<int, QByteArray> m_audio;
    QHash<int, QByteArray> m_audioSet;
    QHash<int, TrackFault> m_faults;
    DemoListenBrainz m_listenBrainz;
    QHash<int, QByteArray> m_covers;
    QHash<QString, QByteArray> m_pictures;
};
