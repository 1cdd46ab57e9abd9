#include "platform/system/SettingsPasswordStore.h"

#include "platform/system/UserDefaults.h"

#include <QTimer>

SettingsPasswordStore::SettingsPasswordStore(UserDefaults *defaults)
    : m_defaults(defaults)
{
}

std::optional<QString> SettingsPasswordStore::storedPassword() const
{
    return m_defaults->stringForKey(QString::fromLatin1(kKey));
}

void SettingsPasswordStore::readPassword(const QString &, QObject *context,
                                         std::function<void(const std::optional<QString> &)> done)
{
    const std::optional<QString> password = storedPassword();
    QTimer::singleShot(0, context, [done = std::move(done), password] { done(password); });
}

void SettingsPasswordStore::writePassword(const QString &, const QString &password)
{
    m_defaults->setString(QString::fromLatin1(kKey), password);
    m_defaults->synchronize();
}

void SettingsPasswordStore::removePassword(const QString &)
{
    m_defaults->removeObjectForKey(QString::fromLatin1(kKey));
    m_defaults->synchronize();
}
