#pragma once

#include <QList>
#include <QUrl>

// Which sites a web view shows itself: those whose origin (scheme, host,
// port) is one the addresses Kavu talks to name. Debian's web engine gets
// no security updates, so the rest of the web is the desktop's browser's.
// A top-level navigation to another site goes there only when the
// listener clicked for it; without a click (a script, a timer, a redirect)
// it is refused. Other schemes are never handed on.
class SitePolicy
{
public:
    enum class Verdict {
        Load,           // one of the sites: shown here
        OpenInBrowser,  // another site, clicked for: the desktop's browser
        Refuse,         // another site without a click, or another scheme
    };

    // A policy that shows every http(s) site (for views of no site's own).
    static SitePolicy anySite();
    // Shows the sites of these addresses (those that are none are left out).
    explicit SitePolicy(const QList<QUrl> &ownAddresses);

    bool isOwnSite(const QUrl &url) const;
    // A top-level navigation to url; clicked: it follows a click of the
    // listener's that no earlier navigation answered.
    Verdict decide(const QUrl &url, bool clicked) const;

private:
    SitePolicy() = default;
    static bool isWeb(const QUrl &url);

    QList<QUrl> m_origins;
    bool m_anySite = false;
};
