#pragma once

#include "platform/system/PasswordStore.h"

class UserDefaults;

// The password under "password" in the settings file (mode 0600), where no
// desktop keyring is at hand; other secrets under keys of their own.
class SettingsPasswordStore : public PasswordStore
{
public:
    static constexpr const char *kKey = "password";

    explicit SettingsPasswordStore(UserDefaults *defaults, const QString &key = QString::fromLatin1(kKey));

    void readPassword(const QString &login, QObject *context,
                      std::function<void(const std::optional<QString> &password)> done) override;
    void writePassword(const QString &login, const QString &password) override;
    void removePassword(const QString &login) override;

    // What the file holds now.
    std::optional<QString> storedPassword() const;

private:
    UserDefaults *m_defaults;
    QString m_key;
};
