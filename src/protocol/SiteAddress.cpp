#include "protocol/SiteAddress.h"

#include "platform/net/UrlText.h"

namespace SiteAddress {

QString resolve(const std::optional<QString> &stored, const QString &defaultSiteAddress)
{
    QString address = stored.value_or(defaultSiteAddress);
    if (!address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');
    return address;
}

QString base(const std::optional<QString> &stored, const QString &defaultSiteAddress)
{
    return stored.value_or(defaultSiteAddress);
}

QString fromUserText(const QString &text, const QString &defaultSiteAddress)
{
    return text.isEmpty() ? defaultSiteAddress : text;
}

bool isUsable(const QString &address)
{
    return address.size() <= kMaxStoredLength && webUrlWithString(resolve(address, QString())).has_value();
}

} // namespace SiteAddress
