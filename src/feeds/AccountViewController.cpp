#include "feeds/AccountViewController.h"

#include "protocol/Endpoints.h"
#include "protocol/SiteAddress.h"
#include "platform/ui/Autoresizing.h"
#include "platform/system/UserDefaults.h"

AccountViewController::AccountViewController(const PlatformServices &services, QWidget *parent)
    : FeedViewController(services, parent)
{
}

void AccountViewController::viewDidLoad()
{
    FeedViewController::viewDidLoad();
    setCustomURLKey(QStringLiteral("customURL"));
    createTextView(QRectF(0, 175, width(), 50), Autoresizing::FlexibleWidth);
    loadTextFromWebsite();
}

void AccountViewController::loadTextFromWebsite()
{
    const QString base = SiteAddress::base(services().userDefaults->stringForKeyAsStarted(customURLKey()),
                                           services().bundle.defaultSiteAddress);
    startConnection(Endpoints::developersFeed(base));
}
