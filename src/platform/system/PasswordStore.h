#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Keeps the account's password. Reading may take its time (a desktop
// keyring answers over D-Bus): the answer comes to a completion on the GUI
// thread, never before the call returns, and not at all once the context
// object is gone.
class PasswordStore
{
public:
    virtual ~PasswordStore() = default;
    virtual void readPassword(const QString &login, QObject *context,
                              std::function<void(const std::optional<QString> &password)> done) = 0;
    virtual void writePassword(const QString &login, const QString &password) = 0;
    virtual void removePassword(const QString &login) = 0;
};
