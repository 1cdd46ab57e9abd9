#include "listens/Listen.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace ListenPayload {

QJsonObject entry(const Listen &listen, const QString &version, bool withListenedAt)
{
    QJsonObject additional{
        {QStringLiteral("media_player"), QStringLiteral("Kavu")},
        {QStringLiteral("media_player_version"), version},
        {QStringLiteral("submission_client"), QStringLiteral("Kavu")},
        {QStringLiteral("submission_client_version"), version},
    };
    if (std::isfinite(listen.duration) && listen.duration > 0)
        additional.insert(QStringLiteral("duration_ms"), qint64(std::llround(listen.duration * 1000)));
    if (!listen.originUrl.isEmpty())
        additional.insert(QStringLiteral("origin_url"), listen.originUrl);
    QJsonObject result{{QStringLiteral("track_metadata"),
                        QJsonObject{{QStringLiteral("artist_name"), listen.artist},
                                    {QStringLiteral("track_name"), listen.title},
                                    {QStringLiteral("additional_info"), additional}}}};
    if (withListenedAt)
        result.insert(QStringLiteral("listened_at"), listen.listenedAt);
    return result;
}

QByteArray submission(Type type, const QList<Listen> &listens, const QString &version)
{
    QJsonArray payload;
    for (const Listen &listen : listens)
        payload.append(entry(listen, version, type != Type::PlayingNow));
    const QString name = type == Type::PlayingNow ? QStringLiteral("playing_now")
        : type == Type::Single                    ? QStringLiteral("single")
                                                  : QStringLiteral("import");
    return QJsonDocument(QJsonObject{{QStringLiteral("listen_type"), name}, {QStringLiteral("payload"), payload}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject toStored(const Listen &listen)
{
    return QJsonObject{{QStringLiteral("listened_at"), listen.listenedAt},
                       {QStringLiteral("artist"), listen.artist},
                       {QStringLiteral("title"), listen.title},
                       {QStringLiteral("duration"), listen.duration},
                       {QStringLiteral("origin_url"), listen.originUrl}};
}

std::optional<Listen> fromStored(const QJsonObject &object)
{
    Listen listen;
    listen.listenedAt = qint64(object.value(QStringLiteral("listened_at")).toDouble());
    listen.artist = object.value(QStringLiteral("artist")).toString();
    listen.title = object.value(QStringLiteral("title")).toString();
    listen.duration = object.value(QStringLiteral("duration")).toDouble();
    listen.originUrl = object.value(QStringLiteral("origin_url")).toString();
    if (listen.listenedAt <= 0 || !listen.isComplete())
        return std::nullopt;
    return listen;
}

} // namespace ListenPayload
