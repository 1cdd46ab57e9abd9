#include "FaultServer.h"
#include "LocalHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <zlib.h>

#include <memory>

namespace {

QByteArray gzipOfZeros(qint64 inflatedSize)
{
    QByteArray zeros(64 * 1024, '\0');
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out;
    char buffer[16384];
    qint64 fed = 0;
    while (fed < inflatedSize) {
        stream.next_in = reinterpret_cast<Bytef *>(zeros.data());
        stream.avail_in = uInt(qMin<qint64>(zeros.size(), inflatedSize - fed));
        fed += stream.avail_in;
        const int flush = fed >= inflatedSize ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            out.append(buffer, int(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

// Made once: compressing takes a while, and a slow answer would time out.
const QByteArray &gzipBomb()
{
    static const QByteArray bomb = gzipOfZeros(200LL * 1024 * 1024);
    return bomb;
}

QByteArray response(const QByteArray &status, const QByteArray &headers, const QByteArray &body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

} // namespace

FaultServer::FaultServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                if (!socket->property("served").toBool() && socket->readAll().contains("\r\n\r\n")) {
                    socket->setProperty("served", true);
                    serve(socket);
                }
            });
        }
    });
}

bool FaultServer::listen()
{
    gzipBomb();
    m_closedOrigin = LocalHttpServer::closedOrigin();
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString FaultServer::origin() const
{
    if (m_fault == Fault::Refused)
        return m_closedOrigin;
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void FaultServer::trickle(QTcpSocket *socket, const QByteArray &chunk)
{
    // Sends a little every 50 ms for as long as the client listens.
    QPointer<QTcpSocket> guarded(socket);
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [guarded, chunk] {
        if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
            guarded->write(chunk);
    });
    timer->start(50);
}

void FaultServer::trickleBody(QTcpSocket *socket, const QByteArray &body, int pieceSize)
{
    QPointer<QTcpSocket> guarded(socket);
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    connect(timer, &QTimer::timeout, socket, [guarded, body, pieceSize, sent] {
        if (!guarded || guarded->state() != QAbstractSocket::ConnectedState || *sent >= body.size())
            return;
        guarded->write(body.mid(*sent, pieceSize));
        *sent += pieceSize;
    });
    timer->start(50);
}

void FaultServer::serve(QTcpSocket *socket)
{
    const QByteArray text = m_text;
    switch (m_fault) {
    case Fault::Refused: // the client was told another port
    case Fault::CloseBeforeStatusLine:
        socket->disconnectFromHost();
        return;
    case Fault::CloseMidHeaders:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/pl");
        socket->disconnectFromHost();
        return;
    case Fault::CloseMidBody:
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(text.size()) + "\r\n\r\n"
                      + text.left(text.size() / 2));
        socket->disconnectFromHost();
        return;
    case Fault::EndlessHeaders:
        socket->write("HTTP/1.1 200 OK\r\n");
        trickle(socket, "X-More: yes\r\n");
        return;
    case Fault::EndlessBody:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n");
        trickle(socket, "more ");
        return;
    case Fault::HugeBody:
        socket->write(response("200 OK", "", QByteArray(10 * 1024 * 1024, 'a')));
        break;
    case Fault::GzipBomb:
        socket->write(response("200 OK", "Content-Encoding: gzip\r\n", gzipBomb()));
        break;
    case Fault::InvalidUtf8:
        socket->write(response("200 OK", "", text + "\xc3\x28"));
        break;
    case Fault::ByteOrderMark:
        socket->write(response("200 OK", "", "\xef\xbb\xbf" + text));
        break;
    case Fault::CrlfLines:
        socket->write(response("200 OK", "", QByteArray(text).replace("\n", "\r\n") + "\r\n"));
        break;
    case Fault::ErrorStatusWithBody:
        socket->write(response("500 Internal Server Error", "", text));
        break;
    case Fault::RedirectLoop:
        socket->write(response("302 Found", "Location: /again\r\n", ""));
        break;
    case Fault::RedirectToFile:
        socket->write(response("302 Found", "Location: file:///etc/passwd\r\n", ""));
        break;
    case Fault::HugeImage: {
        QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        char size[4];
        qToBigEndian<quint32>(60000, size);
        png.append(size, 4).append(size, 4).append("\x08\x06\0\0\0", 5).append("\0\0\0\0", 4);
        socket->write(response("200 OK", "Content-Type: image/png\r\n", png));
        break;
    }
    case Fault::NotAnImage:
        socket->write(response("200 OK", "Content-Type: image/png\r\n", "GIF? no: " + text));
        break;
    case Fault::TruncatedAudio: {
        QByteArray wav("RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0"
                       "data\xf0\xff\xff\x7f",
                       44);
        socket->write(response("200 OK", "Content-Type: audio/wav\r\n", wav + QByteArray(2000, '\x10')));
        break;
    }
    case Fault::Silent:
        return;
    case Fault::StallMidBody:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: audio/wav\r\nContent-Length: "
                      + QByteArray::number(text.size()) + "\r\n\r\n" + text.left(text.size() / 2));
        return;
    case Fault::TrickledAudio:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: audio/wav\r\nContent-Length: "
                      + QByteArray::number(text.size()) + "\r\n\r\n");
        trickleBody(socket, text, 400);
        return;
    case Fault::GarbageAudio:
        socket->write(response("200 OK", "Content-Type: audio/wav\r\n", QByteArray(256 * 1024, '\x5a')));
        break;
    }
    socket->disconnectFromHost();
}
