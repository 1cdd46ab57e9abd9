#include "platform/web/WebEngineOpenerPage.h"

#include <QTimer>

namespace {
// A window that never navigates is not kept waiting for.
constexpr int kLifetimeMs = 10000;
} // namespace

WebEngineOpenerPage::WebEngineOpenerPage(QWebEnginePage *opener)
    : QWebEnginePage(opener->profile(), opener)
    , m_opener(opener)
{
    QTimer::singleShot(kLifetimeMs, this, &QObject::deleteLater);
}

bool WebEngineOpenerPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    if (isMainFrame) {
        if (m_opener && !url.isEmpty())
            m_opener->load(url);
        deleteLater();
    }
    return false;
}
