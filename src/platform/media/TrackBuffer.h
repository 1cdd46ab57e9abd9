#pragma once

#include "platform/media/ByteRanges.h"

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <functional>
#include <memory>

class QTemporaryFile;
typedef struct _GstAppSrc GstAppSrc;

// A track's bytes in a private file (mode 0600) as they arrive, and the
// reading end that a pipeline's source element reads them through.
//
// The download writes on the GUI thread; a pipeline's streaming thread reads
// through the appsrc the buffer is attached to, at any offset (the pipeline
// seeks). A read of bytes that have not arrived yet waits: it is answered
// when they come, from the thread that wrote them, and meanwhile the
// listener hears that playback waits. Either side may let go first: the
// buffer lives while its owner or an attached source holds it, and its file
// goes with it.
class TrackBuffer
{
public:
    // Told, on the thread where it changed, that playback now waits for
    // bytes at offset (true) or no longer waits (false).
    using WaitListener = std::function<void(bool waiting, qint64 offset)>;

    // A new file named stream-PID-XXXXXX.part in directory; null, with the
    // reason in error, when none can be made.
    static std::shared_ptr<TrackBuffer> create(const QString &directory, QString *error);
    ~TrackBuffer();

    TrackBuffer(const TrackBuffer &) = delete;
    TrackBuffer &operator=(const TrackBuffer &) = delete;

    // The writing side (the download). False, with errorString(), when the
    // bytes could not be written.
    bool write(qint64 offset, const QByteArray &data);
    QString errorString() const;
    // The track's whole length once known (-1 until then).
    void setSize(qint64 bytes);
    qint64 size() const;
    // The first byte at or after offset that has not arrived, and where the
    // gap it starts ends (the next arrived byte, or the size; -1 when the
    // size is not known and nothing follows).
    qint64 firstMissing(qint64 offset) const;
    qint64 gapEnd(qint64 offset) const;
    // Where the pipeline reads next: the download fetches from there first.
    qint64 readOffset() const;

    // Set to null before the listener goes; never called after that.
    void setWaitListener(WaitListener listener);

    // The reading side: makes src read this buffer (called in the
    // pipeline's source set-up). The source holds the buffer while it
    // exists.
    static void attach(const std::shared_ptr<TrackBuffer> &buffer, GstAppSrc *src);

private:
    TrackBuffer() = default;

    static void needData(GstAppSrc *src, unsigned length, void *self);
    static int seekData(GstAppSrc *src, quint64 offset, void *self);
    // Answers the waiting read when its bytes are here; under m_lock.
    bool serveLocked(GstAppSrc *src);
    void setWaitingLocked(bool waiting);

    mutable QMutex m_lock;
    std::unique_ptr<QTemporaryFile> m_file;
    int m_fd = -1;
    ByteRanges m_arrived;
    qint64 m_size = -1;
    QString m_error;
    // The source that reads now (a weak reference: the source holds us).
    void *m_sourceRef = nullptr;
    qint64 m_readOffset = 0;
    unsigned m_pendingLength = 0;
    bool m_pending = false;
    bool m_waiting = false;
    WaitListener m_listener;
};
