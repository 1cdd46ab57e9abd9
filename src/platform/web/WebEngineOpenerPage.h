#pragma once

#include <QPointer>
#include <QWebEnginePage>

// The page the engine asks for when a link with a target of its own, or
// window.open(), wants a new window. It shows nothing: it hands its first
// navigation to the page that opened it, which decides about it like any
// other and loads it as its own, and then goes.
class WebEngineOpenerPage : public QWebEnginePage
{
    Q_OBJECT

public:
    WebEngineOpenerPage(QWebEnginePage *opener);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    QPointer<QWebEnginePage> m_opener;
};
