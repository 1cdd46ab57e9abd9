#pragma once

#include "listens/Listen.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class ListenQueue;
class UrlLoader;
struct UrlResponse;

// Tells ListenBrainz (or a server that speaks its API) what was listened
// to. A track that starts is sent as playing now, once, if it can be sent
// at once; a listen goes into the queue first and leaves it when the server
// has accepted it. The queue is sent oldest first, in batches, whenever
// something could be sent: at the start, after each listen, after a wait.
// The server's rate limit is kept (a spent limit waits for its reset, a 429
// for its wait), other failures wait 5 s, then twice as long each time up
// to 10 min. A refused token keeps every listen until another is set.
// Requests go through the application's UrlLoader: nothing here blocks,
// and a server that hangs costs its request's time-out.
class ListenBrainzClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int kBatchSize = 100;
    static constexpr int kFirstRetryMs = 5000;
    static constexpr int kLongestRetryMs = 600000;
    // A 429 without a wait of its own waits this long.
    static constexpr int kDefaultRateWaitMs = 10000;
    static constexpr qint64 kMaxReplyBytes = 64 * 1024;
    static QUrl defaultApiAddress() { return QUrl(QStringLiteral("https://api.listenbrainz.org")); }

    ListenBrainzClient(UrlLoader *loader, ListenQueue *queue, const QString &version, QObject *parent = nullptr);

    // Where the API is (its root: ".../1/submit-listens" is below it).
    void setApiAddress(const QUrl &address);
    QUrl apiAddress() const { return m_api; }
    // The user's token; none: nothing is sent. A new token is tried at once.
    void setToken(const std::optional<QString> &token);
    // Whether listens are sent at all (they are queued all the same).
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // The server refused the token the listens were sent with.
    bool tokenRefused() const { return m_tokenRefused; }

    // How long the first wait after a failure is (tests shorten it).
    void setFirstRetryMs(int milliseconds) { m_firstRetryMs = m_retryMs = milliseconds; }

    void playingNow(const Listen &listen);
    void listened(const Listen &listen);

    // What the server says of a token.
    struct Validation
    {
        bool answered = false; // the server gave an answer of the API's
        bool valid = false;
        QString userName;
        QString message;       // why not, readable
    };
    void validateToken(const QUrl &apiAddress, const QString &token, QObject *context,
                       std::function<void(const Validation &)> done);

Q_SIGNALS:
    void tokenRefusedChanged(bool refused);
    // Listens the server accepted.
    void accepted(int count);

private:
    bool canSend() const;
    void sendQueued();
    void onAnswer(const UrlResponse &response, const QList<quint64> &ids);
    // Reads the rate limit's headers; true when the limit is spent.
    void noteRateLimit(const UrlResponse &response);
    // A new server or token: what was sent before no longer counts.
    void startOver();
    void setTokenRefused(bool refused);
    QList<QPair<QByteArray, QByteArray>> headers(const QString &token) const;
    static QUrl endpoint(const QUrl &api, const QString &path);

    UrlLoader *m_loader;
    ListenQueue *m_queue;
    QString m_version;
    QUrl m_api = defaultApiAddress();
    std::optional<QString> m_token;
    bool m_enabled = true;
    bool m_tokenRefused = false;
    bool m_sending = false;
    int m_firstRetryMs = kFirstRetryMs;
    int m_retryMs = kFirstRetryMs;
    // One at a time after a batch the server refused, until one is taken.
    int m_batchSize = kBatchSize;
    // Nothing is sent before it fires (a wait asked for, or a retry).
    QTimer m_wait;
    // Which token and server a request went with: the answers to an
    // earlier one's say nothing of the present one.
    quint64 m_generation = 0;
};
