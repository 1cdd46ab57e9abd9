#include "platform/media/TrackBuffer.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

#include <gst/app/gstappsrc.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

GWeakRef *weakSource(void *ref)
{
    return static_cast<GWeakRef *>(ref);
}

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
    auto *ref = new GWeakRef;
    g_weak_ref_init(ref, nullptr);
    buffer->m_sourceRef = ref;
    return buffer;
}

TrackBuffer::~TrackBuffer()
{
    if (m_sourceRef) {
        g_weak_ref_clear(weakSource(m_sourceRef));
        delete weakSource(m_sourceRef);
    }
}

bool TrackBuffer::write(qint64 offset, const QByteArray &data)
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
    m_arrived.add(offset, offset + data.size());
    if (m_pending) {
        if (GstAppSrc *src = GST_APP_SRC(g_weak_ref_get(weakSource(m_sourceRef)))) {
            serveLocked(src);
            gst_object_unref(src);
        }
    }
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
    if (GstAppSrc *src = GST_APP_SRC(g_weak_ref_get(weakSource(m_sourceRef)))) {
        gst_app_src_set_size(src, bytes);
        // A read that waited past what turned out to be the end ends now.
        if (m_pending)
            serveLocked(src);
        gst_object_unref(src);
    }
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

qint64 TrackBuffer::readOffset() const
{
    const QMutexLocker lock(&m_lock);
    return m_readOffset;
}

void TrackBuffer::setWaitListener(WaitListener listener)
{
    const QMutexLocker lock(&m_lock);
    m_listener = std::move(listener);
}

void TrackBuffer::attach(const std::shared_ptr<TrackBuffer> &buffer, GstAppSrc *src)
{
    {
        const QMutexLocker lock(&buffer->m_lock);
        g_weak_ref_set(weakSource(buffer->m_sourceRef), src);
        buffer->m_readOffset = 0;
        buffer->m_pending = false;
        // Random access: the pipeline reads where it likes, as from a file.
        gst_app_src_set_stream_type(src, GST_APP_STREAM_TYPE_RANDOM_ACCESS);
        gst_app_src_set_size(src, buffer->m_size);
    }
    GstAppSrcCallbacks callbacks = {};
    callbacks.need_data = needData;
    callbacks.seek_data = reinterpret_cast<gboolean (*)(GstAppSrc *, guint64, gpointer)>(seekData);
    // The source holds the buffer until it goes.
    gst_app_src_set_callbacks(src, &callbacks, new std::shared_ptr<TrackBuffer>(buffer),
                              [](gpointer held) { delete static_cast<std::shared_ptr<TrackBuffer> *>(held); });
}

void TrackBuffer::needData(GstAppSrc *src, unsigned length, void *held)
{
    TrackBuffer *self = static_cast<std::shared_ptr<TrackBuffer> *>(held)->get();
    const QMutexLocker lock(&self->m_lock);
    self->m_pending = true;
    self->m_pendingLength = length;
    if (!self->serveLocked(src))
        self->setWaitingLocked(true);
}

int TrackBuffer::seekData(GstAppSrc *, quint64 offset, void *held)
{
    TrackBuffer *self = static_cast<std::shared_ptr<TrackBuffer> *>(held)->get();
    const QMutexLocker lock(&self->m_lock);
    // A read for the old place is no longer wanted.
    self->m_readOffset = qint64(offset);
    self->m_pending = false;
    self->setWaitingLocked(false);
    return TRUE;
}

bool TrackBuffer::serveLocked(GstAppSrc *src)
{
    if (m_size >= 0 && m_readOffset >= m_size) {
        m_pending = false;
        setWaitingLocked(false);
        gst_app_src_end_of_stream(src);
        return true;
    }
    // A read is answered whole (a pulling reader takes anything shorter
    // for the end of the track), or not yet.
    qint64 end = m_readOffset + m_pendingLength;
    if (m_size >= 0)
        end = qMin(end, m_size);
    if (!m_arrived.contains(m_readOffset, end))
        return false;
    const qint64 length = end - m_readOffset;
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, gsize(length), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, map.data + done, size_t(length - done), off_t(m_readOffset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    gst_buffer_unmap(buffer, &map);
    if (done < length) {
        // The file itself failed us: the pipeline reports a read error.
        gst_buffer_unref(buffer);
        m_pending = false;
        m_error = QStringLiteral("The track's file could not be read.");
        GST_ELEMENT_ERROR(src, RESOURCE, READ, ("The track's file could not be read."), (nullptr));
        return true;
    }
    GST_BUFFER_OFFSET(buffer) = guint64(m_readOffset);
    GST_BUFFER_OFFSET_END(buffer) = guint64(end);
    m_readOffset = end;
    m_pending = false;
    setWaitingLocked(false);
    gst_app_src_push_buffer(src, buffer);
    return true;
}

void TrackBuffer::setWaitingLocked(bool waiting)
{
    if (waiting == m_waiting)
        return;
    m_waiting = waiting;
    if (m_listener)
        m_listener(waiting, m_readOffset);
}
