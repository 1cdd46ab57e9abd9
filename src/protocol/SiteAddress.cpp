#include "protocol/SiteAddress.h"

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

} // namespace SiteAddress
