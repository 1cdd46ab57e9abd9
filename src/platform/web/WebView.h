#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class WebView;

// How a load came about. Screens may ignore it.
enum class WebViewNavigationType { LinkClicked, FormSubmitted, BackForward, Reload, FormResubmitted, Other };

// Receives a web view's questions and reports. Every load, the first one
// included, is put to webViewShouldStartLoadWithRequest before it starts;
// only loads that were allowed are reported as started, finished or failed.
class WebViewDelegate
{
public:
    virtual ~WebViewDelegate() = default;

    virtual bool webViewShouldStartLoadWithRequest(WebView *webView, const QUrl &request,
                                                   WebViewNavigationType navigationType);
    virtual void webViewDidStartLoad(WebView *webView);
    virtual void webViewDidFinishLoad(WebView *webView);
    virtual void webViewDidFailLoadWithError(WebView *webView, const QString &error);
    // The process that rendered the page ended abnormally (a crash, a kill):
    // the page is gone, and a load that was under way will not end.
    virtual void webViewWebContentProcessDidTerminate(WebView *webView);
};

// A view that shows web pages. The application uses the Qt WebEngine
// implementation; tests use a double.
class WebView : public QWidget
{
    Q_OBJECT

public:
    explicit WebView(QWidget *parent = nullptr);

    WebViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(WebViewDelegate *delegate) { m_delegate = delegate; }

    virtual void loadRequest(const QUrl &request) = 0;
    virtual void goBack() = 0;
    virtual bool canGoBack() const = 0;
    // The current document's title ("document.title"), empty when it has none.
    virtual QString documentTitle() const = 0;
    virtual QUrl currentUrl() const = 0;

private:
    WebViewDelegate *m_delegate = nullptr;
};
