#include "platform/system/SettingsPasswordStore.h"

#include "platform/system/UserDefaults.h"

#include <QTimer>

SettingsPasswordStore::SettingsPasswordStore(UserDefaults *defaults, const QString &key)
    : m_defaults(defaults)
    , m_key(key)
{
}

std::optional<QString> SettingsPasswordStore::storedPassword() const
{
    return m_defaults->stringForKey(m_key);
}

void SettingsPasswordStore::readPassword(const QString &, QObject *context,
                                         std::function<void(const std::optional<QString> &)> done)
{
    const std::optional<QString> password = storedPassword();
    QTimer::singleShot(0, context, [done = std::move(done), password] { done(password); });
}

void SettingsPasswordStore::writePassword(const QString &, const QString &password)
{
    m_defaults->setString(m_key, password);
    m_defaults->synchronize();
}

void SettingsPasswordStore::removePassword(const QString &)
{
    m_defaults->removeObjectForKey(m_key);
    m_defaults->synchronize();
}
