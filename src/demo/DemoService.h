#pragma once

#include "demo/DemoListenBrainz.h"

#include "platform/system/BundleInfo.h"

#include <QList>
#include <QObject>
#include <QString>

class DemoHttpServer;
class QThread;

// The embedded demo service: everything the application talks to, on
// 127.0.0.1 with a port the kernel picks. It stands in for remote servers,
// so it serves from a thread of its own and keeps serving while the GUI
// thread is busy, as they would. Its methods are called from the thread
// that made it; setting the service up waits for the server's thread, never
// for the network.
class DemoService : public QObject
{
    Q_OBJECT

public:
    explicit DemoService(QObject *parent = nullptr);
    // Stops the server on its thread and ends the thread.
    ~DemoService() override;

    // Starts listening; false when no port could be had.
    bool start();
    quint16 port() const { return m_port; }
    QString origin() const;
    QString siteAddress() const;
    // The application's built-in bundle with both origins on this service.
    BundleInfo bundle() const;
    // The same for a demo service at origin, served by another process.
    static BundleInfo bundleFor(const QString &origin);

    // Makes every track this many seconds long (0: each its own length);
    // short tracks let a long run go through many of them.
    void setTrackSeconds(double seconds);
    // Sends audio at this many bytes per second (0: as fast as it goes), as
    // a slow link would.
    void setThrottle(qint64 bytesPerSecond);
    // Serves these bytes (any format) as a track's audio; none: its own
    // audio again.
    void setTrackAudio(int trackId, const QByteArray &bytes);
    // Answers a track's audio address with a 404, or takes the request and
    // never answers.
    void setTrackNotFound(int trackId);
    void setTrackNeverAnswers(int trackId);
    // Answers as a server this many milliseconds away would: each response
    // that long after its request, the first on a new connection two round
    // trips more for its handshakes (RoundTrip). 0: at once.
    void setRoundTripMs(int milliseconds);
    // The address of a generated track of about this many bytes, served
    // like every other track.
    QString sizedTrackUrl(qint64 bytes) const;

    // Breaks every connection now and refuses new ones for outageMs, as a
    // server that goes away for a while.
    void interrupt(int outageMs);

    // The path and query of every request received, in order, with the
    // Range asked for, if any, as " (bytes=...)".
    QList<QString> requestLog() const;
    // What its ListenBrainz stand-in accepted, in order.
    QList<DemoListenBrainz::Submission> acceptedListens() const;

Q_SIGNALS:
    // Delivered on the thread that made the service.
    void requestReceived(const QString &pathAndQuery);

private:
    QThread *m_thread;
    DemoHttpServer *m_server;
    quint16 m_port = 0;
};
