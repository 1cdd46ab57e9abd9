#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// One track heard, as ListenBrainz's API takes it.
struct Listen
{
    qint64 listenedAt = 0; // when the track started, seconds since 1970 (UTC)
    QString artist;
    QString title;
    double duration = 0;   // seconds; 0 when unknown
    QString originUrl;     // the track's page; empty when it has none

    // Whether the API would take it: it needs an artist and a title.
    bool isComplete() const { return !artist.trimmed().isEmpty() && !title.trimmed().isEmpty(); }
};

// The JSON of the API's submissions and of the queue's file.
namespace ListenPayload {

enum class Type { PlayingNow, Single, Import };

// One entry of a submission's payload: the track's metadata (artist, title,
// and as additional information the player and client, "Kavu" with its
// version, the duration and the track's page) and, but for a playing now,
// when it was listened to.
QJsonObject entry(const Listen &listen, const QString &version, bool withListenedAt = true);
// A whole submission.
QByteArray submission(Type type, const QList<Listen> &listens, const QString &version);

// A listen as the queue keeps it, and back (none for an entry that is not
// one).
QJsonObject toStored(const Listen &listen);
std::optional<Listen> fromStored(const QJsonObject &object);

} // namespace ListenPayload
