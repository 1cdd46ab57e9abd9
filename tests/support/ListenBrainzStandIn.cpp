#include "ListenBrainzStandIn.h"

ListenBrainzStandIn::ListenBrainzStandIn()
{
    m_clock.start();
    m_server.setHandler([this](const HttpRequest &request) { return answer(request); });
}

HttpReply ListenBrainzStandIn::answer(const HttpRequest &request)
{
    HttpReply reply;
    reply.contentType = "application/json";
    const bool submission = request.path() == QLatin1String("/1/submit-listens");
    if (m_hanging) {
        reply.delayMs = 600000;
        return reply;
    }
    if (m_unavailable) {
        reply.status = 503;
        reply.body = "{\"code\":503,\"error\":\"Service unavailable\"}";
    } else if (submission && m_waitSeconds > 0) {
        reply.status = 429;
        reply.headers.append(qMakePair(QByteArray("X-RateLimit-Remaining"), QByteArray("0")));
        reply.headers.append(qMakePair(QByteArray("X-RateLimit-Reset-In"), QByteArray::number(m_waitSeconds)));
        reply.body = "{\"code\":429,\"error\":\"Too many requests\"}";
        m_waitSeconds = 0;
    } else {
        const DemoListenBrainz::Answer answer =
            m_api.answer(request.method, request.path(), request.headers.value("authorization"), request.body);
        reply.status = answer.status;
        reply.body = answer.body;
    }
    if (submission)
        m_submissions.append({m_clock.elapsed(), reply.status});
    return reply;
}

QList<QJsonObject> ListenBrainzStandIn::listens() const
{
    QList<QJsonObject> entries;
    for (const DemoListenBrainz::Submission &submission : m_api.accepted()) {
        if (submission.type != QLatin1String("playing_now"))
            entries += submission.entries;
    }
    return entries;
}

QList<QJsonObject> ListenBrainzStandIn::playingNows() const
{
    QList<QJsonObject> entries;
    for (const DemoListenBrainz::Submission &submission : m_api.accepted()) {
        if (submission.type == QLatin1String("playing_now"))
            entries += submission.entries;
    }
    return entries;
}
