#pragma once

#include "platform/PlatformServices.h"
#include "platform/ui/ViewController.h"
#include "platform/web/WebView.h"

#include <QPointer>

// The search screen: the service's search page in a web view that fills the
// screen. The page navigates on its own; the screen is not its delegate.
class SearchViewController : public ViewController
{
    Q_OBJECT

public:
    explicit SearchViewController(const PlatformServices &services, QWidget *parent = nullptr);

    WebView *webView() const { return m_webView; }
    void setWebView(WebView *webView) { m_webView = webView; }

    void didReceiveMemoryWarning() override;

protected:
    void viewDidLoad() override;

private:
    PlatformServices m_services;
    QPointer<WebView> m_webView;
};
