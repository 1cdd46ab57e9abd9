#include "platform/web/WebView.h"

bool WebViewDelegate::webViewShouldStartLoadWithRequest(WebView *, const QUrl &,
                                                        WebViewNavigationType)
{
    return true;
}

void WebViewDelegate::webViewDidStartLoad(WebView *) {}
void WebViewDelegate::webViewDidFinishLoad(WebView *) {}
void WebViewDelegate::webViewDidFailLoadWithError(WebView *, const QString &) {}
void WebViewDelegate::webViewWebContentProcessDidTerminate(WebView *) {}

WebView::WebView(QWidget *parent)
    : QWidget(parent)
{
}
