#include "listens/ListenBrainzService.h"

#include "platform/net/UrlText.h"
#include "platform/system/PasswordStore.h"
#include "platform/system/UserDefaults.h"

ListenBrainzService::ListenBrainzService(UrlLoader *loader, UserDefaults *defaults, PasswordStore *tokens,
                                         const QString &queuePath, const QString &version,
                                         const QUrl &defaultAddress, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_tokens(tokens)
    , m_defaultAddress(defaultAddress)
    , m_queue(queuePath)
    , m_client(loader, &m_queue, version)
    , m_tracker(&m_client)
{
    const std::optional<QUrl> stored =
        webUrlWithString(m_defaults->stringForKey(QString::fromLatin1(kAddressKey)).value_or(QString()));
    m_client.setApiAddress(stored.value_or(m_defaultAddress));
    m_client.setEnabled(m_defaults->stringForKey(QString::fromLatin1(kEnabledKey)) != QLatin1String("false"));
    // Until the store answers no token is known, and nothing is sent; the
    // queue left by an earlier run goes once it has.
    if (user().isEmpty())
        return;
    m_tokens->readPassword(QString::fromLatin1(kTokenName), this, [this](const std::optional<QString> &token) {
        if (!token || m_hasToken)
            return;
        m_hasToken = true;
        m_client.setToken(token);
        Q_EMIT tokenChanged();
    });
}

bool ListenBrainzService::setAddress(const QString &address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty()) {
        m_defaults->removeObjectForKey(QString::fromLatin1(kAddressKey));
        m_defaults->synchronize();
        m_client.setApiAddress(m_defaultAddress);
        return true;
    }
    const std::optional<QUrl> url = webUrlWithString(trimmed);
    if (!url)
        return false;
    m_defaults->setString(QString::fromLatin1(kAddressKey), url->toString());
    m_defaults->synchronize();
    m_client.setApiAddress(*url);
    return true;
}

void ListenBrainzService::setEnabled(bool enabled)
{
    m_defaults->setString(QString::fromLatin1(kEnabledKey), enabled ? QStringLiteral("true") : QStringLiteral("false"));
    m_defaults->synchronize();
    m_client.setEnabled(enabled);
}

QString ListenBrainzService::user() const
{
    return m_defaults->stringForKey(QString::fromLatin1(kUserKey)).value_or(QString());
}

void ListenBrainzService::useToken(const QString &token, const QString &user)
{
    m_defaults->setString(QString::fromLatin1(kUserKey), user);
    m_tokens->writePassword(QString::fromLatin1(kTokenName), token.trimmed());
    m_hasToken = true;
    m_client.setToken(token);
    setEnabled(true);
    Q_EMIT tokenChanged();
}
