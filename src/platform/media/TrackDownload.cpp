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
    dropTail();
}

void TrackDownload::dropTail()
{
    if (m_tail)
        m_tail->cancel();
    m_tail = nullptr;
}

void TrackDownload::fetchFrom(qint64 offset)
{
    // A retry on its way asks from where playback reads.
    if (m_failed || m_finished || m_retry.isActive())
        return;
    // The first byte missing there is on its way on the current connection
    // (on a server that answers every request with the whole track, it is
    // on its way whatever else is asked for).
    const qint64 missing = m_buffer->firstMissing(offset);
    // A read of the track's last bytes (where players look for tags) while
    // the track comes whole: they are asked for on a connection of their
    // own, and the track's goes on.
    const qint64 size = m_buffer->size();
    if (m_connection && !m_rangesIgnored && size >= 0 && missing >= size - kTailBytes
        && missing >= m_writeOffset + kReachAhead) {
        if (!m_tail)
            requestTail(missing, m_buffer->gapEnd(missing));
        return;
    }
    if (m_connection
        && (m_rangesIgnored
            || (missing >= m_writeOffset && missing < m_writeOffset + kReachAhead
                && (m_requestEnd < 0 || missing < m_requestEnd))))
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
    m_status = 0;
    m_connection = m_loader->connectionWithRequest(m_url, m_maxBytes, this, this, UrlConnection::Rule::Download);
    // The whole track is one plain GET; a part of it, a Range request, for
    // the very track the first answer was (If-Range).
    if (first > 0 || end >= 0)
        m_connection->setByteRange(first, end >= 0 ? end - 1 : -1, m_identity.ifRange());
    m_connection->start();
}

void TrackDownload::requestTail(qint64 first, qint64 end)
{
    m_tailOffset = first;
    m_tail = m_loader->connectionWithRequest(m_url, m_maxBytes, this, this, UrlConnection::Rule::Download);
    m_tail->setByteRange(first, end >= 0 ? end - 1 : -1, m_identity.ifRange());
    m_tail->start();
}

void TrackDownload::connectionDidReceiveResponse(UrlConnection *connection, int httpStatus)
{
    if (connection == m_tail) {
        // Only that part of that very track is of use; anything else, the
        // track's own connection brings.
        const ContentRange range = ContentRange::parse(connection->responseHeader("Content-Range"));
        const TrackIdentity answer = TrackIdentity::of(connection->responseHeader("ETag"),
                                                       connection->responseHeader("Last-Modified"), range.total);
        if (httpStatus != 206 || !range.isValid() || !m_identity.sameTrack(answer))
            dropTail();
        else
            m_tailOffset = range.first;
        return;
    }
    if (connection != m_connection)
        return;
    m_status = httpStatus;
    if (httpStatus >= 400) {
        fail(QStringLiteral("The server answered with status %1.").arg(httpStatus));
        return;
    }
    qint64 total = -1;
    qint64 first = 0;
    if (httpStatus == 206) {
        const ContentRange range = ContentRange::parse(connection->responseHeader("Content-Range"));
        if (!range.isValid()) {
            fail(QStringLiteral("The server answered with a part it does not name."));
            return;
        }
        first = range.first;
        total = range.total;
    } else {
        // The whole track from its first byte, whatever was asked: every
        // byte of it is written (those that came already are the same).
        if (m_requestFirst > 0 || m_requestEnd >= 0)
            m_rangesIgnored = true;
        m_requestEnd = -1;
        total = connection->expectedLength();
    }
    const TrackIdentity answer = TrackIdentity::of(connection->responseHeader("ETag"),
                                                   connection->responseHeader("Last-Modified"), total);
    if (m_identity.isKnown() && !m_identity.sameTrack(answer)) {
        // Another track now: what came of the first one is forgotten, and
        // it is read afresh (a part of the new one is asked for whole).
        m_buffer->restart();
        m_identity = TrackIdentity();
        dropTail();
        Q_EMIT restarted();
        if (httpStatus == 206) {
            m_rangesIgnored = false;
            request(0, -1);
            return;
        }
    }
    if (!m_identity.isKnown())
        m_identity = answer;
    if (total > m_maxBytes) {
        fail(QStringLiteral("The track is too large."));
        return;
    }
    m_writeOffset = first;
    if (total >= 0)
        m_buffer->setSize(total);
}

void TrackDownload::connectionDidReceiveData(UrlConnection *connection, const QByteArray &data)
{
    if (m_failed || (connection != m_connection && connection != m_tail))
        return;
    qint64 &offset = connection == m_tail ? m_tailOffset : m_writeOffset;
    qint64 added = 0;
    if (!m_buffer->write(offset, data, &added)) {
        fail(QStringLiteral("The track could not be written: %1").arg(m_buffer->errorString()));
        return;
    }
    offset += data.size();
    // Only bytes that were missing are progress: a server that sends the
    // same part again and again gets nowhere.
    if (added == 0)
        return;
    m_received += added;
    m_attempt = 0;
    m_lastByte.restart();
    Q_EMIT receivedData();
}

void TrackDownload::connectionDidFinishLoading(UrlConnection *connection)
{
    if (connection == m_tail) {
        m_tail = nullptr;
        return;
    }
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
    // The track's own connection reaches the tail anyway.
    if (connection == m_tail) {
        m_tail = nullptr;
        return;
    }
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
