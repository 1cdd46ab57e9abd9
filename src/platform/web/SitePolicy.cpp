#include "platform/web/SitePolicy.h"

namespace {

// Scheme, host and port; the port as the scheme implies it where none is
// written.
QUrl originOf(const QUrl &url)
{
    QUrl origin;
    origin.setScheme(url.scheme().toLower());
    origin.setHost(url.host().toLower());
    origin.setPort(url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80));
    return origin;
}

} // namespace

SitePolicy SitePolicy::anySite()
{
    SitePolicy policy;
    policy.m_anySite = true;
    return policy;
}

SitePolicy::SitePolicy(const QList<QUrl> &ownAddresses)
{
    for (const QUrl &address : ownAddresses) {
        if (isWeb(address) && !address.host().isEmpty() && !m_origins.contains(originOf(address)))
            m_origins.append(originOf(address));
    }
}

bool SitePolicy::isWeb(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool SitePolicy::isOwnSite(const QUrl &url) const
{
    return isWeb(url) && (m_anySite || m_origins.contains(originOf(url)));
}

SitePolicy::Verdict SitePolicy::decide(const QUrl &url, bool clicked) const
{
    if (isOwnSite(url))
        return Verdict::Load;
    return isWeb(url) && clicked ? Verdict::OpenInBrowser : Verdict::Refuse;
}
