#include "platform/media/TrackDownload.h"

#include "platform/media/TrackBuffer.h"
#include "platform/net/ContentRange.h"
#include "platform/net/UrlLoader.h"

TrackDownload::TrackDownload(UrlLoader *loader, const QUrl &url, std::shared_ptr<TrackBuffer> buffer,
                             qint64 maxBytes, QObject *parent)
    : QObject(parent)
    , m_loader(loader)
    , m_url(url)
    , m_buffer(std::move(buffer))
    , m_maxBytes(maxBytes)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] { requestNextGap(m_buffer->readOffset()); });
    m_lastByte.start();
}

TrackDownload::~TrackDownload()
{
    dropConnection();
}

void TrackDownload::start()
{
    m_lastByte.restart();
    request(0, -1);
}

void TrackDownload::cancel()
{
    m_failed = true;
    m_retry.stop();
    dropConnection();
}

void TrackDownload::dropConnection()
{
    if (m_connection)
        m_connection->cancel();
    m_connection = nullptr;
}

void TrackDownload::fetchFrom(qint64 offset)
{
    // A retry on its way asks from where playback reads.
    if (m_failed || m_finished || m_retry.isActive())
        return;
    // The first byte missing there is on its way on the current connection.
    const qint64 missing = m_buffer->firstMissing(offset);
    if (m_connection && missing >= m_writeOffset && missing < m_writeOffset + kReachAhead
        && (m_requestEnd < 0 || missing < m_requestEnd))
        return;
    requestNextGap(offset);
}

void TrackDownload::requestNextGap(qint64 offset)
{
    if (m_failed)
        return;
    const qint64 size = m_buffer->size();
    qint64 gap = m_buffer->firstMissing(offset);
    if (size >= 0 && gap >= size) {
        // Nothing is missing from there on: the gaps left behind, if any.
        gap = m_buffer->firstMissing(0);
        if (gap >= size) {
            dropConnection();
            m_finished = true;
            return;
        }
    }
    request(gap, m_buffer->gapEnd(gap));
}

void TrackDownload::request(qint64 first, qint64 end)
{
    dropConnection();
    m_requestFirst = first;
    m_writeOffset = first;
    m_requestEnd = end;
    m_skip = 0;
    m_status = 0;
    m_connection = m_loader->connectionWithRequest(m_url, m_maxBytes, this, this, UrlConnection::Rule::Download);
    // The whole track is one plain GET; a part of it, a Range request.
    if (first > 0 || end >= 0)
        m_connection->setByteRange(first, end >= 0 ? end - 1 : -1);
    m_connection->start();
}

void TrackDownload::connectionDidReceiveResponse(UrlConnection *connection, int httpStatus)
{
    if (connection != m_connection)
        return;
    m_status = httpStatus;
    if (httpStatus >= 400) {
        fail(QStringLiteral("The server answered with status %1.").arg(httpStatus));
        return;
    }
    qint64 total = -1;
    if (httpStatus == 206) {
        const ContentRange range = ContentRange::parse(connection->responseHeader("Content-Range"));
        if (!range.isValid()) {
            fail(QStringLiteral("The server answered with a part it does not name."));
            return;
        }
        m_writeOffset = range.first;
        total = range.total;
    } else {
        // The whole track from its first byte, whatever was asked: the
        // part before the gap has come already.
        m_writeOffset = m_requestFirst;
        m_skip = m_requestFirst;
        m_requestEnd = -1;
        total = connection->expectedLength();
    }
    if (total > m_maxBytes) {
        fail(QStringLiteral("The track is too large."));
        return;
    }
    if (total >= 0)
        m_buffer->setSize(total);
}

void TrackDownload::connectionDidReceiveData(UrlConnection *connection, const QByteArray &data)
{
    if (connection != m_connection || m_failed)
        return;
    QByteArray bytes = data;
    if (m_skip > 0) {
        const qint64 passed = qMin<qint64>(m_skip, bytes.size());
        m_skip -= passed;
        bytes.remove(0, passed);
        if (bytes.isEmpty())
            return;
    }
    if (!m_buffer->write(m_writeOffset, bytes)) {
        fail(QStringLiteral("The track could not be written: %1").arg(m_buffer->errorString()));
        return;
    }
    m_writeOffset += bytes.size();
    m_received += bytes.size();
    m_attempt = 0;
    m_lastByte.restart();
    Q_EMIT receivedData();
}

void TrackDownload::connectionDidFinishLoading(UrlConnection *connection)
{
    if (connection != m_connection || m_failed)
        return;
    m_connection = nullptr;
    // A track whose length was never told ends where its body ended.
    if (m_buffer->size() < 0)
        m_buffer->setSize(m_writeOffset);
    requestNextGap(m_buffer->readOffset());
}

void TrackDownload::connectionDidFailWithError(UrlConnection *connection, const QString &error)
{
    if (connection != m_connection || m_failed)
        return;
    m_connection = nullptr;
    if (error == UrlConnection::kTooLarge)
        fail(QStringLiteral("The track is too large."));
    else if (connection->failedTransiently())
        retryLater(error);
    else
        fail(error);
}

void TrackDownload::retryLater(const QString &error)
{
    m_lastError = error;
    static constexpr int kDelaysMs[] = {250, 500, 1000};
    m_retry.start(kDelaysMs[qMin(m_attempt, 2)]);
    ++m_attempt;
}

void TrackDownload::fail(const QString &error)
{
    if (m_failed)
        return;
    m_failed = true;
    m_retry.stop();
    dropConnection();
    Q_EMIT failed(error);
}
