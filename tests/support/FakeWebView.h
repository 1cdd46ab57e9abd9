#pragma once

#include "platform/web/WebView.h"

#include <QList>
#include <QUrl>

// A web view that loads nothing. loadRequest() only records the request.
// Tests drive it like the engine would: navigate() puts a URL to the
// delegate and starts the load when allowed; finishLoad() and failLoad()
// end it.
class FakeWebView : public WebView
{
    Q_OBJECT

public:
    // It takes the focus, as the engine's view does.
    explicit FakeWebView(QWidget *parent = nullptr)
        : WebView(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
    }

    void loadRequest(const QUrl &request) override;
    void goBack() override;
    bool canGoBack() const override { return m_history.size() > 1; }
    QString documentTitle() const override { return m_title; }
    QUrl currentUrl() const override { return m_history.isEmpty() ? QUrl() : m_history.last(); }

    // Returns what the delegate answered.
    bool navigate(const QUrl &url,
                  WebViewNavigationType type = WebViewNavigationType::LinkClicked);
    void finishLoad(const QString &title);
    void failLoad(const QString &error);
    void setDocumentTitle(const QString &title) { m_title = title; }

    QList<QUrl> loadRequests() const { return m_loadRequests; }
    QList<QUrl> history() const { return m_history; }
    int goBackCount() const { return m_goBackCount; }

private:
    QList<QUrl> m_loadRequests;
    QList<QUrl> m_history;
    QString m_title;
    int m_goBackCount = 0;
};
