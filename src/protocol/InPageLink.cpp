#include "protocol/InPageLink.h"

namespace InPageLink {

Host classify(const QString &scheme, const QString &host)
{
    if (scheme != QLatin1String("kavu"))
        return Host::None;
    if (host == QLatin1String("alert"))
        return Host::Alert;
    if (host == QLatin1String("music"))
        return Host::Music;
    return Host::None;
}

Host classify(const QUrl &url)
{
    return classify(url.scheme(), url.host());
}

std::optional<QString> rawQuery(const QUrl &url)
{
    if (!url.hasQuery())
        return std::nullopt;
    return url.query(QUrl::FullyEncoded);
}

} // namespace InPageLink
