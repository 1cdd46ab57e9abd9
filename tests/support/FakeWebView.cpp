#include "FakeWebView.h"

void FakeWebView::loadRequest(const QUrl &request)
{
    // The engine starts loads later; a test plays that with navigate().
    m_loadRequests.append(request);
}

void FakeWebView::goBack()
{
    ++m_goBackCount;
    if (canGoBack())
        m_history.removeLast();
}

bool FakeWebView::navigate(const QUrl &url, WebViewNavigationType type)
{
    // As the engine's page decides: without a delegate an in-page link has
    // nothing to load and is refused; everything else loads.
    const bool allowed = delegate() ? delegate()->webViewShouldStartLoadWithRequest(this, url, type)
                                    : url.scheme() != QLatin1String("kavu");
    if (!allowed)
        return false;
    m_history.append(url);
    if (delegate())
        delegate()->webViewDidStartLoad(this);
    return true;
}

void FakeWebView::finishLoad(const QString &title)
{
    m_title = title;
    if (delegate())
        delegate()->webViewDidFinishLoad(this);
}

void FakeWebView::failLoad(const QString &error)
{
    if (delegate())
        delegate()->webViewDidFailLoadWithError(this, error);
}
