#include "app/SearchViewController.h"

#include "protocol/Endpoints.h"
#include "platform/ui/Autoresizing.h"
#include "platform/ui/Geometry.h"
#include "platform/net/UrlText.h"

SearchViewController::SearchViewController(const PlatformServices &services, QWidget *parent)
    : ViewController(parent)
    , m_services(services)
{
}

void SearchViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    WebView *page = m_services.makeWebView(view());
    Geometry::setFrame(page, bounds());
    Autoresizing::setMask(page, Autoresizing::FlexibleWidth | Autoresizing::FlexibleHeight);
    Geometry::addSubview(view(), page);
    setWebView(page);
    if (const std::optional<QUrl> url = urlWithString(Endpoints::searchPage(m_services.bundle.serviceHostOrigin)))
        page->loadRequest(*url);
}

void SearchViewController::didReceiveMemoryWarning()
{
    // The page stays: nothing is released.
    ViewController::didReceiveMemoryWarning();
}
