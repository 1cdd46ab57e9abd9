#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A server on 127.0.0.1 that misbehaves at the byte level: it answers every
// request with the fault it is set to, however broken that makes the reply.
class FaultServer : public QObject
{
    Q_OBJECT

public:
    enum class Fault {
        Refused,         // nothing listens at origin()
        CloseBeforeStatusLine,
        CloseMidHeaders,
        CloseMidBody,
        EndlessHeaders,
        EndlessBody,
        HugeBody,        // 10 MiB where a short text is expected
        GzipBomb,        // a small gzip body that inflates past every limit
        InvalidUtf8,
        ByteOrderMark,   // the text behind a UTF-8 byte order mark
        CrlfLines,       // the text with CRLF line ends
        ErrorStatusWithBody,
        RedirectLoop,
        RedirectToFile,
        HugeImage,       // a PNG header that declares huge dimensions
        NotAnImage,
        TruncatedAudio,  // a WAV header that promises far more than follows
        GarbageAudio,    // bytes that are no audio, labelled as audio
        Silent,          // takes the request and never answers
        StallMidBody,    // half the text, then silence with the connection open
        TrickledAudio,   // the text a few hundred bytes at a time, slower than it plays
    };

    explicit FaultServer(QObject *parent = nullptr);

    bool listen();
    // Where requests go: this server, or a port nobody listens on while the
    // fault is Refused.
    QString origin() const;
    void setFault(Fault fault) { m_fault = fault; }
    // The text a well-behaved reply would have carried.
    void setText(const QByteArray &text) { m_text = text; }
    int connections() const { return m_connections; }

private:
    void serve(QTcpSocket *socket);
    void trickle(QTcpSocket *socket, const QByteArray &chunk);
    // Sends the body a piece every 50 ms.
    void trickleBody(QTcpSocket *socket, const QByteArray &body, int pieceSize);

    QTcpServer m_server;
    Fault m_fault = Fault::CloseBeforeStatusLine;
    QByteArray m_text;
    int m_connections = 0;
    QString m_closedOrigin;
};
