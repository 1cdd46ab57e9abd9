#pragma once

#include "platform/web/SitePolicy.h"
#include "platform/web/WebEngineWebPage.h"
#include "platform/web/WebView.h"

#include <QWebEngineLoadingInfo>

class QMenu;
class QWebEngineProfile;
class QWebEngineView;

// The web view on Qt WebEngine, showing the sites its policy names.
class WebEngineWebView : public WebView
{
    Q_OBJECT

public:
    WebEngineWebView(QWebEngineProfile *profile, const SitePolicy &policy = SitePolicy::anySite(),
                     QWidget *parent = nullptr);

    // What every page of a profile may do: no downloads (tracks play
    // through Kavu's own players), no reading of the clipboard.
    static void confineProfile(QWebEngineProfile *profile);
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

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
