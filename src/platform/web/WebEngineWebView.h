#pragma once

#include "platform/web/WebView.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

class QMenu;
class QWebEngineProfile;
class QWebEngineView;

// The page behind WebEngineWebView: asks the view's delegate before every
// navigation.
class WebEngineWebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    WebEngineWebPage(QWebEngineProfile *profile, WebView *owner);

    // Set when the last main-frame navigation was allowed.
    bool lastNavigationAllowed() const { return m_lastAllowed; }
    QUrl lastAllowedUrl() const { return m_lastAllowedUrl; }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    // A link with a target of its own or window.open() opens in this page,
    // after the same decision as any other navigation.
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    // Whether the engine shows what a URL names itself, or would hand the
    // URL on to the desktop.
    static bool showsItself(const QUrl &url);

    WebView *m_owner;
    bool m_lastAllowed = false;
    QUrl m_lastAllowedUrl;
};

// The web view on Qt WebEngine.
class WebEngineWebView : public WebView
{
    Q_OBJECT

public:
    WebEngineWebView(QWebEngineProfile *profile, QWidget *parent = nullptr);
    ~WebEngineWebView() override;

    void loadRequest(const QUrl &request) override;
    void goBack() override;
    bool canGoBack() const override;
    QString documentTitle() const override;
    QUrl currentUrl() const override;

    QWebEngineView *engineView() const { return m_view; }
    QWebEnginePage *page() const { return m_page; }

    // The context menu for what the page last asked one for: only Back,
    // Copy, Copy Link Address and Select All, of those that apply there.
    QMenu *createContextMenu();

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void refreshTitle();
    static QString titleScript();
    void setTitle(const QVariant &scriptResult);

    QWebEngineView *m_view = nullptr;
    WebEngineWebPage *m_page = nullptr;
    QString m_title;
    bool m_loadReported = false;
    quint64 m_loadSerial = 0;
};
