#pragma once

#include "LocalHttpServer.h"
#include "demo/DemoListenBrainz.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QUrl>

// A ListenBrainz-compatible server for the tests: the demo service's
// stand-in (the user "demo" with the token "demo") on a LocalHttpServer of
// its own, that can be scripted to be unavailable, to hang, or to ask for a
// wait with a 429.
class ListenBrainzStandIn
{
public:
    ListenBrainzStandIn();

    bool listen() { return m_server.listen(); }
    QUrl address() const { return QUrl(m_server.origin()); }
    LocalHttpServer &server() { return m_server; }
    DemoListenBrainz &api() { return m_api; }

    // 503 to every request while set.
    void setUnavailable(bool unavailable) { m_unavailable = unavailable; }
    // Requests are taken and never answered while set.
    void setHanging(bool hanging) { m_hanging = hanging; }
    // The next submission is answered 429 with a wait of this many seconds
    // (X-RateLimit-Reset-In).
    void askToWaitOnce(int seconds) { m_waitSeconds = seconds; }

    // The listens accepted ("single" and "import"), and the playing nows,
    // each entry as sent, in the order accepted.
    QList<QJsonObject> listens() const;
    QList<QJsonObject> playingNows() const;
    // When each submission came (ms on the stand-in's clock), and its answer.
    struct Submission
    {
        qint64 atMs = 0;
        int status = 0;
    };
    QList<Submission> submissions() const { return m_submissions; }
    qint64 nowMs() const { return m_clock.elapsed(); }

private:
    HttpReply answer(const HttpRequest &request);

    LocalHttpServer m_server;
    DemoListenBrainz m_api;
    QElapsedTimer m_clock;
    bool m_unavailable = false;
    bool m_hanging = false;
    int m_waitSeconds = 0;
    QList<Submission> m_submissions;
};
