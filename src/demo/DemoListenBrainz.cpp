#include "demo/DemoListenBrainz.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

DemoListenBrainz::Answer error(int status, const QString &message)
{
    return {status, json({{QStringLiteral("code"), status}, {QStringLiteral("error"), message}})};
}

} // namespace

bool DemoListenBrainz::handles(const QString &path)
{
    return path == QLatin1String("/1/validate-token") || path == QLatin1String("/1/submit-listens");
}

QString DemoListenBrainz::userOf(const QByteArray &authorization) const
{
    const QByteArray prefix("Token ");
    if (!authorization.startsWith(prefix))
        return QString();
    const QString token = QString::fromUtf8(authorization.mid(prefix.size())).trimmed();
    for (const auto &[known, user] : m_users) {
        if (known == token)
            return user;
    }
    return QString();
}

void DemoListenBrainz::addUser(const QString &token, const QString &user)
{
    m_users.append({token, user});
}

DemoListenBrainz::Answer DemoListenBrainz::answer(const QByteArray &method, const QString &path,
                                                  const QByteArray &authorization, const QByteArray &body)
{
    const QString user = userOf(authorization);
    if (path == QLatin1String("/1/validate-token") && method == "GET") {
        if (user.isEmpty())
            return {200, json({{QStringLiteral("code"), 200},
                               {QStringLiteral("message"), QStringLiteral("Token invalid.")},
                               {QStringLiteral("valid"), false}})};
        return {200, json({{QStringLiteral("code"), 200},
                           {QStringLiteral("message"), QStringLiteral("Token valid.")},
                           {QStringLiteral("valid"), true},
                           {QStringLiteral("user_name"), user}})};
    }
    if (path != QLatin1String("/1/submit-listens") || method != "POST")
        return error(405, QStringLiteral("Method not allowed"));
    if (user.isEmpty())
        return error(401, QStringLiteral("Invalid authorization token."));
    const QJsonObject submission = QJsonDocument::fromJson(body).object();
    const QString type = submission.value(QStringLiteral("listen_type")).toString();
    const QJsonArray payload = submission.value(QStringLiteral("payload")).toArray();
    if (type != QLatin1String("playing_now") && type != QLatin1String("single") && type != QLatin1String("import"))
        return error(400, QStringLiteral("JSON document does not have a valid listen type."));
    if (payload.isEmpty() || (type != QLatin1String("import") && payload.size() != 1))
        return error(400, QStringLiteral("JSON document does not contain the listens its type needs."));
    Submission accepted{type, {}};
    for (const QJsonValue &value : payload) {
        const QJsonObject entry = value.toObject();
        const QJsonObject track = entry.value(QStringLiteral("track_metadata")).toObject();
        if (track.value(QStringLiteral("artist_name")).toString().isEmpty()
            || track.value(QStringLiteral("track_name")).toString().isEmpty())
            return error(400, QStringLiteral("JSON document does not contain required fields artist_name and track_name."));
        if (type != QLatin1String("playing_now") && entry.value(QStringLiteral("listened_at")).toInteger() <= 0)
            return error(400, QStringLiteral("JSON document does not contain listened_at."));
        accepted.entries.append(entry);
    }
    m_accepted.append(accepted);
    return {200, json({{QStringLiteral("status"), QStringLiteral("ok")}})};
}
