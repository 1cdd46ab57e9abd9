#pragma once

#include "platform/system/PasswordStore.h"
#include "platform/system/SettingsPasswordStore.h"

#include <QList>
#include <QObject>

namespace QKeychain {
class Job;
}
class UserDefaults;

// The password in the desktop keyring (the Secret Service: GNOME Keyring,
// KWallet) through QtKeychain, under the application's id and the login;
// the settings file then holds none. Where no keyring answers, it stays in
// the settings file as before. A password found in the file while a
// keyring answers moves into the keyring and leaves the file. Another
// secret (a service's token) lives under a service name and a settings key
// of its own.
class KeyringPasswordStore : public QObject, public PasswordStore
{
    Q_OBJECT

public:
    KeyringPasswordStore(const QString &service, UserDefaults *defaults,
                         const QString &fileKey = QString::fromLatin1(SettingsPasswordStore::kKey),
                         QObject *parent = nullptr);

    void readPassword(const QString &login, QObject *context,
                      std::function<void(const std::optional<QString> &password)> done) override;
    void writePassword(const QString &login, const QString &password) override;
    void removePassword(const QString &login) override;

    // At start: a password the settings file holds moves into the keyring,
    // if one answers.
    void adoptFilePassword(const QString &login);

private:
    // Stores in the keyring; then the file lets go of its copy, or keeps
    // the password where the keyring does not answer.
    void moveToKeyring(const QString &login, const QString &password);
    void deleteFromKeyring(const QString &login);
    // The keyring's requests go one at a time, in order.
    void enqueue(QKeychain::Job *job);
    void startNext();

    QString m_service;
    // Removals so far: a write that a removal overtook brings nothing back.
    quint64 m_removals = 0;
    SettingsPasswordStore m_file;
    QList<QKeychain::Job *> m_queue;
    bool m_running = false;
};
