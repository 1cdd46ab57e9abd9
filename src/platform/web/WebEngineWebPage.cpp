#include "platform/web/WebEngineWebPage.h"

#include "platform/net/RemoteText.h"
#include "platform/system/Log.h"
#include "platform/web/WebView.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>

namespace {

// How long after a click a navigation still follows from it.
constexpr qint64 kClickLifetimeMs = 1500;

WebViewNavigationType toNavigationType(QWebEnginePage::NavigationType type)
{
    switch (type) {
    case QWebEnginePage::NavigationTypeLinkClicked:
        return WebViewNavigationType::LinkClicked;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return WebViewNavigationType::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward:
        return WebViewNavigationType::BackForward;
    case QWebEnginePage::NavigationTypeReload:
        return WebViewNavigationType::Reload;
    default:
        return WebViewNavigationType::Other;
    }
}

} // namespace

WebEngineWebPage::WebEngineWebPage(QWebEngineProfile *profile, WebView *owner, const SitePolicy &policy)
    : QWebEnginePage(profile, owner)
    , m_owner(owner)
    , m_policy(policy)
{
    connect(this, &QWebEnginePage::newWindowRequested, this, &WebEngineWebPage::onNewWindow);
    // Location, camera, microphone, the screen, notifications, the pointer:
    // refused at once, without asking.
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
}

bool WebEngineWebPage::showsItself(const QUrl &url)
{
    static const QStringList schemes{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("kavu"),
                                     QStringLiteral("about"), QStringLiteral("data"), QStringLiteral("blob")};
    return schemes.contains(url.scheme());
}

void WebEngineWebPage::noteClick()
{
    m_clickPending = true;
    m_clickedAt.restart();
}

bool WebEngineWebPage::takeClick()
{
    const bool clicked = m_clickPending && m_clickedAt.isValid() && m_clickedAt.elapsed() <= kClickLifetimeMs;
    m_clickPending = false;
    return clicked;
}

void WebEngineWebPage::openInBrowser(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void WebEngineWebPage::refuse(const QUrl &url)
{
    if (m_navigationRefusalLogged)
        return;
    m_navigationRefusalLogged = true;
    systemLog(QStringLiteral("A page went to another site without a click; refused: %1")
                  .arg(RemoteText::cut(url.toString(), RemoteText::kMaxMessageLength)));
}

bool WebEngineWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    // Frames and what a page loads (pictures, scripts, fonts) come from
    // anywhere; the page itself is one of the sites, or goes elsewhere.
    if (isMainFrame && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !m_policy.isOwnSite(url)) {
        // A redirect follows no click, whatever came before it.
        const bool clicked = type != NavigationTypeRedirect && takeClick();
        if (m_policy.decide(url, clicked) == SitePolicy::Verdict::OpenInBrowser)
            openInBrowser(url);
        else
            refuse(url);
        m_lastAllowed = false;
        return false;
    }
    WebViewDelegate *delegate = m_owner->delegate();
    // In-page links have no content to load: without a delegate to act on
    // them they are refused, so that the page stays. Links of any scheme
    // the web view does not show itself (mail, other applications) are
    // refused before anyone is asked: allowed, the engine would hand them
    // to the desktop, which would start another application.
    const bool allowed = !showsItself(url) ? false
        : delegate ? delegate->webViewShouldStartLoadWithRequest(m_owner, url, toNavigationType(type))
                   : url.scheme() != QLatin1String("kavu");
    if (isMainFrame) {
        m_lastAllowed = allowed;
        if (allowed) {
            m_lastAllowedUrl = url;
            // A new page: its own dialogs, its own refusals.
            m_dialogs = 0;
            m_dialogsRefusalLogged = false;
            m_navigationRefusalLogged = false;
        }
    }
    return allowed;
}

void WebEngineWebPage::onNewWindow(QWebEngineNewWindowRequest &request)
{
    // A link with a target of its own or window.open() opens in this page,
    // after the same decisions as any other navigation; another site, only
    // for a click of the listener's, and once for it.
    const QUrl url = request.requestedUrl();
    if (!showsItself(url) || url.isEmpty())
        return;
    if ((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !m_policy.isOwnSite(url)) {
        const bool clicked = request.isUserInitiated() && takeClick();
        if (m_policy.decide(url, clicked) == SitePolicy::Verdict::OpenInBrowser)
            openInBrowser(url);
        else
            refuse(url);
        return;
    }
    load(url);
}

bool WebEngineWebPage::mayShowDialog()
{
    if (!m_dialogOpen && m_dialogs < kDialogsPerPage) {
        ++m_dialogs;
        return true;
    }
    if (!m_dialogsRefusalLogged) {
        m_dialogsRefusalLogged = true;
        systemLog(QStringLiteral("A page's further dialogs are refused until it navigates: %1")
                      .arg(RemoteText::cut(url().toString(), RemoteText::kMaxMessageLength)));
    }
    return false;
}

bool WebEngineWebPage::showDialog(const QUrl &securityOrigin, const QString &message, bool withCancel,
                                  const QString *defaultValue, QString *result)
{
    // The window's own dialog, opened as every other of Kavu's (never
    // exec()): the page waits for its answer, the window goes on.
    const QString title = RemoteText::cut(securityOrigin.host(), RemoteText::kMaxNameLength);
    const QString text = RemoteText::cut(message, RemoteText::kMaxMessageLength);
    m_dialogOpen = true;
    QEventLoop loop;
    bool accepted = false;
    QPointer<QDialog> dialog;
    if (defaultValue) {
        auto *input = new QInputDialog(m_owner->window());
        input->setWindowTitle(title);
        input->setLabelText(text);
        input->setTextValue(*defaultValue);
        connect(input, &QInputDialog::textValueSelected, input, [result](const QString &value) {
            if (result)
                *result = value;
        });
        dialog = input;
    } else {
        auto *box = new QMessageBox(QMessageBox::NoIcon, title, text,
                                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                                    m_owner->window());
        box->setTextFormat(Qt::PlainText);
        dialog = box;
    }
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, &loop, [&accepted, &loop](int code) {
        accepted = code == QDialog::Accepted || code == QMessageBox::Ok;
        loop.quit();
    });
    // The view going (its screen, the application) ends the wait too.
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    dialog->open();
    loop.exec();
    if (dialog)
        dialog->close();
    m_dialogOpen = false;
    return accepted;
}

void WebEngineWebPage::javaScriptAlert(const QUrl &securityOrigin, const QString &message)
{
    if (mayShowDialog())
        showDialog(securityOrigin, message, false, nullptr, nullptr);
}

bool WebEngineWebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &message)
{
    return mayShowDialog() && showDialog(securityOrigin, message, true, nullptr, nullptr);
}

bool WebEngineWebPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &message,
                                        const QString &defaultValue, QString *result)
{
    return mayShowDialog() && showDialog(securityOrigin, message, true, &defaultValue, result);
}
