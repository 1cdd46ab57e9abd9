#include "platform/media/TrackBuffer.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// Enough of a track's start for any container to say what it is.
constexpr qint64 kStartBytes = 16 * 1024;

} // namespace

std::shared_ptr<TrackBuffer> TrackBuffer::create(const QString &directory, QString *error)
{
    std::shared_ptr<TrackBuffer> buffer(new TrackBuffer);
    QDir().mkpath(directory);
    // The process's id in the name tells a later start whose file it is.
    buffer->m_file = std::make_unique<QTemporaryFile>(
        QDir(directory).filePath(QStringLiteral("stream-%1-XXXXXX.part").arg(QCoreApplication::applicationPid())));
    if (!buffer->m_file->open()) {
        if (error)
            *error = QStringLiteral("No file for the track: %1").arg(buffer->m_file->errorString());
        return nullptr;
    }
    buffer->m_file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // Named at once, so that a file a crash leaves behind can be found.
    buffer->m_file->fileName();
    buffer->m_fd = buffer->m_file->handle();
    return buffer;
}

TrackBuffer::~TrackBuffer() = default;

bool TrackBuffer::write(qint64 offset, const QByteArray &data, qint64 *added)
{
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(m_fd, data.constData() + done, size_t(data.size() - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QMutexLocker lock(&m_lock);
            m_error = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
            return false;
        }
        done += n;
    }
    const QMutexLocker lock(&m_lock);
    const qint64 before = m_arrived.total();
    m_arrived.add(offset, offset + data.size());
    if (added)
        *added = m_arrived.total() - before;
    m_changed.wakeAll();
    return true;
}

QString TrackBuffer::errorString() const
{
    const QMutexLocker lock(&m_lock);
    return m_error;
}

void TrackBuffer::setSize(qint64 bytes)
{
    const QMutexLocker lock(&m_lock);
    m_size = bytes;
    // A read that waited past what turned out to be the end ends now.
    m_changed.wakeAll();
}

qint64 TrackBuffer::size() const
{
    const QMutexLocker lock(&m_lock);
    return m_size;
}

qint64 TrackBuffer::firstMissing(qint64 offset) const
{
    const QMutexLocker lock(&m_lock);
    const qint64 missing = m_arrived.firstMissing(offset);
    return m_size >= 0 ? qMin(missing, m_size) : missing;
}

qint64 TrackBuffer::gapEnd(qint64 offset) const
{
    const QMutexLocker lock(&m_lock);
    return m_arrived.nextArrived(offset, m_size);
}

bool TrackBuffer::hasStart() const
{
    const QMutexLocker lock(&m_lock);
    const qint64 wanted = m_size >= 0 ? qMin(m_size, kStartBytes) : kStartBytes;
    return m_arrived.firstMissing(0) >= wanted;
}

qint64 TrackBuffer::readOffset() const
{
    const QMutexLocker lock(&m_lock);
    return m_readOffset;
}

void TrackBuffer::restart()
{
    const QMutexLocker lock(&m_lock);
    m_arrived = ByteRanges();
    m_size = -1;
    ++m_epoch;
    m_changed.wakeAll();
}

void TrackBuffer::setWaitListener(WaitListener listener)
{
    const QMutexLocker lock(&m_lock);
    m_listener = std::move(listener);
}

TrackBuffer::Read TrackBuffer::read(qint64 offset, qint64 length, char *data, qint64 *count,
                                    const std::atomic<bool> &stop, const std::function<void(bool)> &waiting)
{
    QMutexLocker lock(&m_lock);
    const quint64 epoch = m_epoch;
    m_readOffset = offset;
    *count = 0;
    bool waited = false;
    Read result = Read::Stopped;
    while (true) {
        if (stop || epoch != m_epoch) {
            result = Read::Stopped;
            break;
        }
        if (m_size >= 0 && offset >= m_size) {
            result = Read::End;
            break;
        }
        const qint64 end = m_size >= 0 ? qMin(offset + length, m_size) : offset + length;
        if (m_arrived.contains(offset, end)) {
            qint64 done = 0;
            while (done < end - offset) {
                const ssize_t n = ::pread(m_fd, data + done, size_t(end - offset - done), off_t(offset + done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                done += n;
            }
            *count = done;
            if (done < end - offset) {
                m_error = QStringLiteral("The track's file could not be read.");
                result = Read::Failed;
            } else {
                result = Read::Done;
            }
            break;
        }
        if (!waited) {
            waited = true;
            ++m_waitingReads;
            setWaitingLocked(true, offset);
            if (waiting)
                waiting(true);
        }
        m_changed.wait(&m_lock);
    }
    if (waited) {
        --m_waitingReads;
        if (waiting)
            waiting(false);
        if (m_waitingReads == 0)
            setWaitingLocked(false, offset);
    }
    return result;
}

void TrackBuffer::wakeReaders()
{
    const QMutexLocker lock(&m_lock);
    m_changed.wakeAll();
}

void TrackBuffer::setWaitingLocked(bool waiting, qint64 offset)
{
    // Told once when the first read starts waiting, and once when the last
    // stops.
    if (waiting && m_waitingReads != 1)
        return;
    if (m_listener)
        m_listener(waiting, offset);
}
