#include "platform/media/TrackIdentity.h"

TrackIdentity TrackIdentity::of(const QByteArray &etag, const QByteArray &lastModified, qint64 length)
{
    TrackIdentity identity;
    identity.m_etag = etag.trimmed();
    identity.m_lastModified = lastModified.trimmed();
    identity.m_length = length;
    identity.m_known = true;
    return identity;
}

QByteArray TrackIdentity::ifRange() const
{
    // A weak ETag may not ask for a part (RFC 9110, 13.1.5).
    if (!m_etag.isEmpty() && !m_etag.startsWith("W/"))
        return m_etag;
    return m_lastModified;
}

bool TrackIdentity::sameTrack(const TrackIdentity &later) const
{
    const auto differ = [](const QByteArray &a, const QByteArray &b) { return !a.isEmpty() && !b.isEmpty() && a != b; };
    if (differ(m_etag, later.m_etag) || differ(m_lastModified, later.m_lastModified))
        return false;
    return m_length < 0 || later.m_length < 0 || m_length == later.m_length;
}
