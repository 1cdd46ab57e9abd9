#pragma once

#include "listens/ListenBrainzClient.h"
#include "listens/ListenQueue.h"
#include "listens/ListenTracker.h"

#include <QObject>
#include <QUrl>

#include <memory>

class PasswordStore;
class UrlLoader;
class UserDefaults;

// Listens told to ListenBrainz as the application runs it: the queue in
// the user's data folder, the client, and the tracker the screens' records
// reach. The token lives in the desktop keyring (a PasswordStore of its
// own); the server's address and the switch in the settings. Nothing is
// sent before a token was found or set and the switch is on.
class ListenBrainzService : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *kAddressKey = "listenBrainzAddress";
    static constexpr const char *kEnabledKey = "listenBrainzEnabled";
    // The user a kept token is valid for: the keyring is asked for the
    // token only when there is one, so that a start without one never
    // wakes (or asks to unlock) the keyring.
    static constexpr const char *kUserKey = "listenBrainzUser";
    // The token's name in its store.
    static constexpr const char *kTokenName = "listenbrainz";

    ListenBrainzService(UrlLoader *loader, UserDefaults *defaults, PasswordStore *tokens, const QString &queuePath,
                        const QString &version, const QUrl &defaultAddress, QObject *parent = nullptr);

    NowPlayingInfoCenter *tracker() { return &m_tracker; }
    ListenBrainzClient *client() { return &m_client; }
    ListenQueue *queue() { return &m_queue; }

    QUrl address() const { return m_client.apiAddress(); }
    QUrl defaultAddress() const { return m_defaultAddress; }
    // An http(s) address, stored; an empty one goes back to the default.
    // False (nothing changed) for any other.
    bool setAddress(const QString &address);
    bool hasToken() const { return m_hasToken; }
    bool isEnabled() const { return m_client.isEnabled(); }
    void setEnabled(bool enabled);
    // A token the server said is valid for user: kept in the store, used
    // from now on, and sending switched on.
    void useToken(const QString &token, const QString &user);
    // The user the kept token is valid for; empty when none is kept.
    QString user() const;

Q_SIGNALS:
    // A token was found in the store or set.
    void tokenChanged();

private:
    UserDefaults *m_defaults;
    PasswordStore *m_tokens;
    QUrl m_defaultAddress;
    ListenQueue m_queue;
    ListenBrainzClient m_client;
    ListenTracker m_tracker;
    bool m_hasToken = false;
};
