#include "platform/web/WebEngineWebView.h"

#include "platform/net/RemoteText.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

void WebEngineWebView::confineProfile(QWebEngineProfile *profile)
{
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest *download) { download->cancel(); });
    profile->settings()->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    profile->settings()->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    profile->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
}

WebEngineWebView::WebEngineWebView(QWebEngineProfile *profile, const SitePolicy &policy, QWidget *parent)
    : WebView(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QWebEngineView(this);
    m_page = new WebEngineWebPage(profile, this, policy);
    m_view->setPage(m_page);
    // The listener's clicks and keys reach the engine through the view's
    // children: they are what lets a page hand a site to the browser.
    m_view->installEventFilter(this);
    for (QWidget *child : m_view->findChildren<QWidget *>())
        child->installEventFilter(this);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        QMenu *menu = createContextMenu();
        if (menu->actions().isEmpty()) {
            delete menu;
            return;
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_view->mapToGlobal(position));
    });
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngineWebView::onLoadingChanged);
    connect(m_page, &QWebEnginePage::titleChanged, this, &WebEngineWebView::refreshTitle);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                // The load under way, if any, ends with the renderer and is
                // reported no further; so is the title of the page that went.
                m_loadReported = false;
                ++m_loadSerial;
                m_title.clear();
                if (delegate())
                    delegate()->webViewWebContentProcessDidTerminate(this);
            });
}

bool WebEngineWebView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
            child->installEventFilter(this);
        break;
    case QEvent::MouseButtonPress:
        m_page->noteClick();
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
            m_page->noteClick();
        break;
    }
    default:
        break;
    }
    return WebView::eventFilter(watched, event);
}

WebEngineWebView::~WebEngineWebView()
{
    setDelegate(nullptr);
    // The view must let go of the page before the page goes.
    m_view->setPage(nullptr);
    delete m_page;
}

QMenu *WebEngineWebView::createContextMenu()
{
    // Opening new windows or tabs, saving, viewing the source or reloading
    // do nothing here or leave the screens' design.
    QMenu *menu = m_view->createStandardContextMenu();
    const QList<QAction *> kept{m_page->action(QWebEnginePage::Back), m_page->action(QWebEnginePage::Copy),
                                m_page->action(QWebEnginePage::CopyLinkToClipboard),
                                m_page->action(QWebEnginePage::SelectAll)};
    bool separatorDue = false;
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        const bool keep = kept.contains(action) || (action->isSeparator() && separatorDue);
        if (!keep)
            menu->removeAction(action);
        separatorDue = keep && !action->isSeparator();
    }
    // No separator at the end.
    while (!menu->actions().isEmpty() && menu->actions().last()->isSeparator())
        menu->removeAction(menu->actions().last());
    return menu;
}

void WebEngineWebView::loadRequest(const QUrl &request)
{
    // Only an absolute address can be loaded; a relative one shows no page.
    if (request.isValid() && !request.isRelative())
        m_page->load(request);
}

void WebEngineWebView::goBack()
{
    m_page->triggerAction(QWebEnginePage::Back);
}

bool WebEngineWebView::canGoBack() const
{
    return m_page->history()->canGoBack();
}

QString WebEngineWebView::documentTitle() const
{
    return m_title;
}

QUrl WebEngineWebView::currentUrl() const
{
    return m_page->url();
}

QString WebEngineWebView::titleScript()
{
    // A page's title may be of any length: only its start crosses from the
    // renderer.
    return QStringLiteral("document.title.substring(0, %1)").arg(RemoteText::kMaxNameLength + 1);
}

void WebEngineWebView::setTitle(const QVariant &scriptResult)
{
    m_title = RemoteText::cut(scriptResult.toString(), RemoteText::kMaxNameLength);
}

void WebEngineWebView::refreshTitle()
{
    // The title signal first carries the address while the document title is
    // not known yet, so the title is always read from the document.
    QPointer<WebEngineWebView> self(this);
    m_page->runJavaScript(titleScript(), [self](const QVariant &result) {
        if (self)
            self->setTitle(result);
    });
}

void WebEngineWebView::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // A refused navigation still starts and stops inside the engine;
        // only a navigation the delegate allowed is a load of ours.
        if (!m_page->lastNavigationAllowed())
            return;
        m_loadReported = true;
        ++m_loadSerial;
        if (delegate())
            delegate()->webViewDidStartLoad(this);
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus: {
        if (!m_loadReported)
            return;
        m_loadReported = false;
        const quint64 serial = m_loadSerial;
        QPointer<WebEngineWebView> self(this);
        m_page->runJavaScript(titleScript(), [self, serial](const QVariant &result) {
            if (!self)
                return;
            self->setTitle(result);
            if (serial == self->m_loadSerial && self->delegate())
                self->delegate()->webViewDidFinishLoad(self);
        });
        return;
    }
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (!m_loadReported)
            return;
        m_loadReported = false;
        if (delegate())
            delegate()->webViewDidFailLoadWithError(this, info.errorString());
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        if (!m_loadReported)
            return;
        m_loadReported = false;
        if (delegate())
            delegate()->webViewDidFailLoadWithError(this, QStringLiteral("The load was stopped."));
        return;
    }
}
