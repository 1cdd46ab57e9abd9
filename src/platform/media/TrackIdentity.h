#pragma once

#include <QByteArray>
#include <QtGlobal>

// What a server said a track is, from its first answer: its validators
// (ETag, Last-Modified) and its length. A later answer for a part of it is
// the same track only if none of them differ; otherwise the file changed
// on the server and two tracks would be spliced into one.
class TrackIdentity
{
public:
    TrackIdentity() = default;
    // From an answer's headers and the whole track's length (-1: untold).
    static TrackIdentity of(const QByteArray &etag, const QByteArray &lastModified, qint64 length);

    bool isKnown() const { return m_known; }
    // The If-Range value that asks for a part of this very track: the
    // ETag when strong, else the date; empty when there is neither.
    QByteArray ifRange() const;
    // Whether later names the same track: every validator and the length
    // that both tell are equal.
    bool sameTrack(const TrackIdentity &later) const;

private:
    QByteArray m_etag;
    QByteArray m_lastModified;
    qint64 m_length = -1;
    bool m_known = false;
};
