#pragma once

#include "platform/media/ByteRanges.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <memory>

class QTemporaryFile;

// A track's bytes in a private file (mode 0600) as they arrive, and the
// reads a pipeline's source (TrackSource) makes of them.
//
// The download writes on the GUI thread; a pipeline's streaming thread reads
// at any offset (the pipeline seeks). A read of bytes that have not arrived
// waits on that streaming thread until they do, or until its reader is told
// to stop (a flush, a state change); meanwhile the listener hears that
// playback waits there. Either side may let go first: the buffer lives
// while its owner or a source holds it, and its file goes with it.
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
    // bytes could not be written; added says how many of them had not
    // arrived before.
    bool write(qint64 offset, const QByteArray &data, qint64 *added = nullptr);
    QString errorString() const;
    // The track's whole length once known (-1 until then).
    void setSize(qint64 bytes);
    qint64 size() const;
    // The first byte at or after offset that has not arrived, and where the
    // gap it starts ends (the next arrived byte, or the size; -1 when the
    // size is not known and nothing follows).
    qint64 firstMissing(qint64 offset) const;
    qint64 gapEnd(qint64 offset) const;
    // Whether the track's first bytes (enough to tell what it is) are here.
    bool hasStart() const;
    // Where the pipeline reads next: the download fetches from there first.
    qint64 readOffset() const;
    // The track changed on its server: every byte and the size are
    // forgotten, and the reads waiting now end as stopped (the pipeline
    // reads the new track afresh).
    void restart();

    // Set to null before the listener goes; never called after that.
    void setWaitListener(WaitListener listener);

    // The reading side, on a pipeline's streaming thread.
    enum class Read {
        Done,    // count bytes read: all asked for, or what is left of the track
        End,     // offset lies at or past the end of the track
        Stopped, // the reader was told to stop, or the track changed
        Failed,  // the file could not be read (errorString())
    };
    // Reads up to length bytes at offset into data, waiting for those that
    // have not arrived until they do or stop turns true (wakeReaders() makes
    // a waiting read look). waiting is told when the read starts and ends
    // waiting, under the buffer's lock: it must not call back into it.
    Read read(qint64 offset, qint64 length, char *data, qint64 *count, const std::atomic<bool> &stop,
              const std::function<void(bool)> &waiting);
    void wakeReaders();

private:
    TrackBuffer() = default;
    void setWaitingLocked(bool waiting, qint64 offset);

    mutable QMutex m_lock;
    QWaitCondition m_changed;
    std::unique_ptr<QTemporaryFile> m_file;
    int m_fd = -1;
    ByteRanges m_arrived;
    qint64 m_size = -1;
    QString m_error;
    qint64 m_readOffset = 0;
    // Reads that wait now, and the restarts so far (a read waiting across
    // one ends).
    int m_waitingReads = 0;
    quint64 m_epoch = 0;
    WaitListener m_listener;
};
