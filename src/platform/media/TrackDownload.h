#pragma once

#include "platform/media/TrackIdentity.h"
#include "platform/net/UrlConnection.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>

class TrackBuffer;
class UrlLoader;

// Downloads a track into its TrackBuffer at the link's speed, over the
// application's own connections, each byte once: one GET for the whole
// track; where the pipeline reads past what has come (a seek ahead), a
// Range request from there, and later the gaps left behind. A broken
// connection, or a server that cannot be reached, is tried again from the
// first byte missing, after 0.25, 0.5, then every 1 s; the download never
// gives up by itself on that (its owner decides when playback has waited
// too long). It fails for good on an error status, a track over the size
// limit, a file that cannot be written, and on failures that trying again
// does not mend (TLS, redirects, addresses). Every later request is for the
// same track as the first answer (If-Range); an answer that is another
// track (another validator or length) starts the download over, and says
// so.
class TrackDownload : public QObject, public UrlConnectionDelegate
{
    Q_OBJECT

public:
    TrackDownload(UrlLoader *loader, const QUrl &url, std::shared_ptr<TrackBuffer> buffer, qint64 maxBytes,
                  QObject *parent = nullptr);
    ~TrackDownload() override;

    void start();
    // Stops, and says nothing more.
    void cancel();
    // Playback reads at offset and it has not come: fetch it first.
    void fetchFrom(qint64 offset);

    // The text of the last failure of a connection (empty when none failed).
    QString lastError() const { return m_lastError; }
    // Milliseconds since the last new byte came (or since the start), and
    // how many new bytes came in all (a byte sent again is none).
    qint64 msSinceLastByte() const { return m_lastByte.elapsed(); }
    qint64 bytesReceived() const { return m_received; }

    void connectionDidReceiveResponse(UrlConnection *connection, int httpStatus) override;
    void connectionDidReceiveData(UrlConnection *connection, const QByteArray &data) override;
    void connectionDidFinishLoading(UrlConnection *connection) override;
    void connectionDidFailWithError(UrlConnection *connection, const QString &error) override;

    // How far ahead of a gap a connection may be and still be left to reach
    // it, rather than replaced by a request from the gap.
    static constexpr qint64 kReachAhead = 256 * 1024;
    // A read this close to the end is asked for on a second connection.
    static constexpr qint64 kTailBytes = 64 * 1024;

Q_SIGNALS:
    // Bytes came (the waiting rule's clock starts again).
    void receivedData();
    // The download failed for good; error says why.
    void failed(const QString &error);
    // The track changed on its server: its bytes come afresh from the
    // first, and what was read of it is no longer valid.
    void restarted();

private:
    // Requests the gap at or after offset, or the next one, or ends.
    void requestNextGap(qint64 offset);
    void request(qint64 first, qint64 end);
    void requestTail(qint64 first, qint64 end);
    void dropTail();
    void retryLater(const QString &error);
    void fail(const QString &error);
    void dropConnection();

    UrlLoader *m_loader;
    QUrl m_url;
    std::shared_ptr<TrackBuffer> m_buffer;
    qint64 m_maxBytes;
    QPointer<UrlConnection> m_connection;
    // The track's last bytes, asked for beside it, and where they go.
    QPointer<UrlConnection> m_tail;
    qint64 m_tailOffset = 0;
    // Where the current connection's next byte goes, and where its request
    // ends (exclusive; -1: the end of the track).
    qint64 m_writeOffset = 0;
    qint64 m_requestEnd = -1;
    qint64 m_requestFirst = 0;
    // What the first answer said the track is.
    TrackIdentity m_identity;
    // The server answers a Range request with the whole track.
    bool m_rangesIgnored = false;
    int m_status = 0;
    int m_attempt = 0;
    qint64 m_received = 0;
    QTimer m_retry;
    QElapsedTimer m_lastByte;
    QString m_lastError;
    bool m_finished = false;
    bool m_failed = false;
};
