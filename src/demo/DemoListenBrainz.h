#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// The demo service's stand-in for a ListenBrainz-compatible server: the
// user "demo", whose token is "demo", and the two calls Kavu makes
// (validate-token, submit-listens), checked as the real server checks
// them. It keeps what it accepted.
class DemoListenBrainz
{
public:
    static constexpr const char *kToken = "demo";
    static constexpr const char *kUser = "demo";

    struct Answer
    {
        int status = 404;
        QByteArray body;
    };

    // Whether the path is one of the API's.
    static bool handles(const QString &path);
    // The answer to a request (method "GET" or "POST") with its
    // Authorization header and body.
    Answer answer(const QByteArray &method, const QString &path, const QByteArray &authorization,
                  const QByteArray &body);

    // Each accepted submission's type ("playing_now", "single", "import")
    // and its payload's entries, in the order they came.
    struct Submission
    {
        QString type;
        QList<QJsonObject> entries;
    };
    QList<Submission> accepted() const { return m_accepted; }
    // The user whose token this is; empty when it is none.
    QString userOf(const QByteArray &authorization) const;
    // Further tokens this server takes, for the users named (tests).
    void addUser(const QString &token, const QString &user);

private:
    QList<QPair<QString, QString>> m_users{{QString::fromLatin1(kToken), QString::fromLatin1(kUser)}};
    QList<Submission> m_accepted;
};
