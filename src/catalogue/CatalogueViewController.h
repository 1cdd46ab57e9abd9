#pragma once

#include "catalogue/CatalogueVariant.h"
#include "platform/ui/AlertView.h"
#include "platform/web/WebView.h"
#include "player/CataloguePlayerViewController.h"

#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPushButton>
#include <QPointer>
#include <QTimer>
#include <QUrl>


// A catalogue screen: pages of the catalogue site in a web view under the
// screen's own navigation bar, with the player of its base class above them.
// The Music and Albums screens are this design with different variants.
class CatalogueViewController : public CataloguePlayerViewController, public WebViewDelegate
{
    Q_OBJECT

public:
    CatalogueViewController(const CatalogueVariant &variant, const PlatformServices &services,
                            QWidget *parent = nullptr);
    ~CatalogueViewController() override;

    const CatalogueVariant &variant() const { return m_variant; }

    WebView *webView() const { return m_webView; }
    void setWebView(WebView *webView) { m_webView = webView; }
    NavigationBar *navigationBar() const { return m_navigationBar; }
    void setNavigationBar(NavigationBar *bar) { m_navigationBar = bar; }
    NavigationItem *webViewNavigationItem() const { return m_webViewNavigationItem; }
    void setWebViewNavigationItem(NavigationItem *item) { m_webViewNavigationItem = item; }
    QWidget *loadingOverlay() const { return m_loadingOverlay; }
    void setLoadingOverlay(QWidget *overlay) { m_loadingOverlay = overlay; }
    QTimer *titleCheckTimer() const { return m_titleCheckTimer; }
    void setTitleCheckTimer(QTimer *timer) { m_titleCheckTimer = timer; }
    QUrl initialURL() const { return m_initialURL; }
    void setInitialURL(const QUrl &url) { m_initialURL = url; }
    bool radioModeButton() const { return m_radioModeButton; }
    void setRadioModeButton(bool on) { m_radioModeButton = on; }
    bool infoProgrammButton() const { return m_infoProgrammButton; }
    void setInfoProgrammButton(bool on) { m_infoProgrammButton = on; }

    // The settings dialog and its result.
    void showAppInfo();
    void alertViewClickedButtonAtIndex(AlertView *alertView, int buttonIndex) override;

    // The page browser: every load is decided here; in-page links become
    // actions of the application and are never loaded.
    bool webViewShouldStartLoadWithRequest(WebView *webView, const QUrl &request,
                                           WebViewNavigationType navigationType) override;
    void webViewDidStartLoad(WebView *webView) override;
    void webViewDidFinishLoad(WebView *webView) override;
    void webViewDidFailLoadWithError(WebView *webView, const QString &error) override;
    // A crashed renderer: the start page again, or a notice when it crashed
    // again within kRendererRestartWindowMs.
    void webViewWebContentProcessDidTerminate(WebView *webView) override;
    QPushButton *rendererNotice() const { return m_rendererNotice; }
    static constexpr qint64 kRendererRestartWindowMs = 10000;

    QHash<QString, QString> parseQueryString(const std::optional<QString> &query) const;
    void checkPageTitle();
    void backButtonTapped();
    void radioButtonTapped();
    void startRadio();

protected:
    void viewDidLoad() override;
    void updateTabOrder();
    void viewDidLayoutSubviews() override;
    bool isLoadingPage() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CatalogueVariant m_variant;
    QPointer<WebView> m_webView;
    QPointer<NavigationBar> m_navigationBar;
    QPointer<NavigationItem> m_webViewNavigationItem;
    QPointer<QWidget> m_loadingOverlay;
    QPointer<QTimer> m_titleCheckTimer;
    QPointer<QPushButton> m_rendererNotice;
    QElapsedTimer m_lastRendererCrash;
    QUrl m_initialURL;
    bool m_radioModeButton = false;
    bool m_infoProgrammButton = false;
};
