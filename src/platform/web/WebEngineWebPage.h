#pragma once

#include "platform/web/SitePolicy.h"

#include <QElapsedTimer>
#include <QWebEnginePage>

class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class WebView;

// The page behind WebEngineWebView. It asks the view's delegate before
// every navigation of the sites Kavu talks to (SitePolicy); a page of
// another site goes to the desktop's browser when the listener clicked for
// it, once a click, and is refused otherwise. New windows open in this page
// after the same decisions. A page's dialogs (alert, confirm, prompt,
// leave-page) are the window's own, one at a time; after two in a page's
// life its further ones are answered as cancelled until it navigates.
// Nothing a page asks permission for is granted, and it cannot go full
// screen.
class WebEngineWebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    WebEngineWebPage(QWebEngineProfile *profile, WebView *owner, const SitePolicy &policy);

    // Set when the last main-frame navigation was allowed.
    bool lastNavigationAllowed() const { return m_lastAllowed; }
    QUrl lastAllowedUrl() const { return m_lastAllowedUrl; }

    // The listener clicked in the page (or pressed a key that follows a
    // link): the navigation that follows may go to the desktop's browser.
    void noteClick();

    // How many dialogs a page may open before it navigates again.
    static constexpr int kDialogsPerPage = 2;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    // New windows are asked for through newWindowRequested, which says
    // whether the listener's gesture asked.
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
    void javaScriptAlert(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                          QString *result) override;

private:
    // Whether the engine shows what a URL names itself, or would hand the
    // URL on to the desktop.
    static bool showsItself(const QUrl &url);
    void onNewWindow(QWebEngineNewWindowRequest &request);
    // A click not yet answered by a navigation, taken.
    bool takeClick();
    void openInBrowser(const QUrl &url);
    void refuse(const QUrl &url);
    // Whether a dialog may show now: counted.
    bool mayShowDialog();
    // Shows a dialog of the page and waits for its answer (the window's
    // events go on meanwhile); false when cancelled.
    bool showDialog(const QUrl &securityOrigin, const QString &message, bool withCancel,
                    const QString *defaultValue, QString *result);

    WebView *m_owner;
    SitePolicy m_policy;
    bool m_lastAllowed = false;
    QUrl m_lastAllowedUrl;
    QElapsedTimer m_clickedAt;
    bool m_clickPending = false;
    // Of the page shown now: its dialogs, and what was logged of it.
    int m_dialogs = 0;
    bool m_dialogOpen = false;
    bool m_dialogsRefusalLogged = false;
    bool m_navigationRefusalLogged = false;
};
