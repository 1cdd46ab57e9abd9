#include "KavuTestMain.h"
#include "LocalHttpServer.h"
#include "platform/web/KavuSchemeHandler.h"
#include "platform/web/WebEngineWebView.h"

#include <QDesktopServices>
#include <QMenu>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <csignal>

namespace {

// Refuses every "kavu" URL and records what it was asked and told.
class RecordingWebDelegate : public WebViewDelegate
{
public:
    bool webViewShouldStartLoadWithRequest(WebView *, const QUrl &request,
                                           WebViewNavigationType) override
    {
        asked.append(request);
        return request.scheme() != QLatin1String("kavu");
    }
    void webViewDidStartLoad(WebView *) override { ++started; }
    void webViewDidFinishLoad(WebView *view) override
    {
        ++finished;
        titlesAtFinish.append(view->documentTitle());
    }
    void webViewDidFailLoadWithError(WebView *, const QString &error) override
    {
        ++failed;
        errors.append(error);
    }
    void webViewWebContentProcessDidTerminate(WebView *) override { ++crashed; }

    QList<QUrl> asked;
    QStringList titlesAtFinish;
    QStringList errors;
    int started = 0;
    int finished = 0;
    int failed = 0;
    int crashed = 0;
};

// Stands in for the desktop's handlers of other applications' links.
class UrlHandlerRecorder : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }

public:
    QList<QUrl> opened;
};

const QString kOtherAppPage = QStringLiteral(
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Музыка</title>"
    "<style>body{margin:0}a{display:block;width:300px;height:100px;background:#ccc}</style>"
    "</head><body><a id=\"mail\" href=\"mailto:someone@example.com\">почта</a>"
    "<a id=\"app\" href=\"x-other-app://open?what=1\">приложение</a></body></html>");

const QString kLinkPage = QStringLiteral(
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Музыка</title>"
    "<style>body{margin:0}a{display:block;width:300px;height:100px;background:#ccc}</style>"
    "</head><body><a id=\"track\" href=\"kavu://music?id=42\">трек</a></body></html>");

const QString kNewWindowPage = QStringLiteral(
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Окна</title>"
    "<style>body{margin:0}a{display:block;width:300px;height:100px;background:#ccc}</style>"
    "</head><body><a id=\"blank\" target=\"_blank\" href=\"/music/\">новое окно</a></body></html>");

// A page whose script sets a title of a million characters.
const QString kLongTitlePage = QStringLiteral(
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>x</title>"
    "<script>document.title = 'ж'.repeat(1 << 20);</script></head><body></body></html>");

} // namespace

class WebEngineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void pageLoadsWithTitle_data();
    void pageLoadsWithTitle();
    void inPageLinksReachDelegateAndPageStays();
    void failedLoadIsReported();
    void killedRendererIsReported();
    void withoutDelegateInPageLinksDoNothing();
    void pageCannotOpenLocalFilesOrWindows();
    void pageCannotOpenOtherApplications();
    void newWindowsOpenInTheSameView();
    void contextMenuOffersOnlyWhatWorks();

private:
    WebEngineWebView *loadPage(const QUrl &url);

    LocalHttpServer m_server;
    QWebEngineProfile *m_profile = nullptr;
    WebEngineWebView *m_view = nullptr;
    RecordingWebDelegate m_delegate;
};

void WebEngineTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.route(QStringLiteral("/music/"), HttpReply::html(kLinkPage));
    m_server.route(QStringLiteral("/other/"), HttpReply::html(kOtherAppPage));
    m_server.route(QStringLiteral("/windows/"), HttpReply::html(kNewWindowPage));
    m_server.route(QStringLiteral("/long-title/"), HttpReply::html(kLongTitlePage));
    m_profile = new QWebEngineProfile(this);
    KavuSchemeHandler::install(m_profile);
}

void WebEngineTest::cleanupTestCase()
{
    delete m_profile;
}

void WebEngineTest::init()
{
    m_delegate = RecordingWebDelegate();
}

void WebEngineTest::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

WebEngineWebView *WebEngineTest::loadPage(const QUrl &url)
{
    m_view = new WebEngineWebView(m_profile);
    m_view->resize(320, 480);
    m_view->setDelegate(&m_delegate);
    m_view->show();
    m_view->loadRequest(url);
    return m_view;
}

void WebEngineTest::pageLoadsWithTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("cyrillic") << QStringLiteral("/music/?version=1.0") << QStringLiteral("Музыка");
    // Only the start of a huge title is kept.
    QTest::newRow("a million characters")
        << QStringLiteral("/long-title/") << QString(199, QChar(0x0436)) + QChar(0x2026);
}

void WebEngineTest::pageLoadsWithTitle()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    const QUrl url = m_server.url(path);
    loadPage(url);
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    QCOMPARE(m_delegate.started, 1);
    QCOMPARE(m_delegate.failed, 0);
    // The first load is put to the delegate too.
    QCOMPARE(m_delegate.asked.value(0), url);
    QCOMPARE(m_delegate.titlesAtFinish, QStringList{title});
    QCOMPARE(m_view->documentTitle(), title);
    QCOMPARE(m_view->currentUrl(), url);
}

void WebEngineTest::killedRendererIsReported()
{
    loadPage(m_server.url(QStringLiteral("/music/")));
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    const qint64 renderer = m_view->page()->renderProcessPid();
    QVERIFY(renderer > 0);
    QCOMPARE(::kill(pid_t(renderer), SIGKILL), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.crashed, 1, 10000);
    QCOMPARE(m_view->documentTitle(), QString());
    // The same view loads again, in a new renderer.
    m_view->loadRequest(m_server.url(QStringLiteral("/music/")));
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 2, 20000);
    QVERIFY(m_view->page()->renderProcessPid() != renderer);
    QCOMPARE(m_delegate.failed, 0);
}

void WebEngineTest::inPageLinksReachDelegateAndPageStays()
{
    const QUrl url = m_server.url(QStringLiteral("/music/"));
    loadPage(url);
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);

    // A real click on the link. The first clicks may come before the page
    // takes input, so it clicks until the link is followed.
    QWidget *surface = m_view->engineView()->focusProxy();
    QVERIFY(surface);
    const QUrl music(QStringLiteral("kavu://music?id=42"));
    for (int attempt = 0; attempt < 40 && !m_delegate.asked.contains(music); ++attempt) {
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(50, 50));
        QTest::qWait(250);
    }
    QVERIFY(m_delegate.asked.contains(music));

    // A navigation started by the page's script.
    m_view->page()->runJavaScript(
        QStringLiteral("window.location.href = 'kavu://alert?name=Hello&text=World';"));
    const QUrl alert(QStringLiteral("kavu://alert?name=Hello&text=World"));
    QTRY_VERIFY_WITH_TIMEOUT(m_delegate.asked.contains(alert), 10000);

    // Refused navigations are neither started nor finished loads, and the
    // page stays where it was.
    QTest::qWait(300);
    QCOMPARE(m_delegate.started, 1);
    QCOMPARE(m_delegate.finished, 1);
    QCOMPARE(m_delegate.failed, 0);
    QCOMPARE(m_view->currentUrl(), url);
    QCOMPARE(m_view->documentTitle(), QStringLiteral("Музыка"));
}

void WebEngineTest::failedLoadIsReported()
{
    loadPage(QUrl(LocalHttpServer::closedOrigin() + QStringLiteral("/kavu/music/")));
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.failed, 1, 20000);
    QCOMPARE(m_delegate.started, 1);
    QCOMPARE(m_delegate.finished, 0);
    QVERIFY(!m_delegate.errors.value(0).isEmpty());
}

void WebEngineTest::withoutDelegateInPageLinksDoNothing()
{
    const QUrl url = m_server.url(QStringLiteral("/music/"));
    loadPage(url);
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    m_view->setDelegate(nullptr);
    QTest::mouseClick(m_view->engineView()->focusProxy(), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::qWait(500);
    QCOMPARE(m_view->currentUrl(), url);
    QCOMPARE(m_view->documentTitle(), QStringLiteral("Музыка"));
}

void WebEngineTest::pageCannotOpenLocalFilesOrWindows()
{
    const QUrl url = m_server.url(QStringLiteral("/music/"));
    loadPage(url);
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    m_view->page()->runJavaScript(QStringLiteral("window.open('%1', '_blank');").arg(url.toString()));
    m_view->page()->runJavaScript(QStringLiteral("window.location.href = 'file:///etc/hostname';"));
    QTest::qWait(800);
    // No new window, and the page stays: a web page may not navigate to a file.
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY(widget == m_view || !widget->isVisible() || !qobject_cast<QWebEngineView *>(widget));
    QCOMPARE(m_view->currentUrl(), url);
    QCOMPARE(m_view->documentTitle(), QStringLiteral("Музыка"));
}

void WebEngineTest::pageCannotOpenOtherApplications()
{
    // Links to other applications' schemes would go to the desktop's
    // handlers; neither a click nor a script may get them there.
    UrlHandlerRecorder handlers;
    const QStringList schemes{QStringLiteral("mailto"), QStringLiteral("x-other-app")};
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &handlers, "open");
    const QUrl url = m_server.url(QStringLiteral("/other/"));
    loadPage(url);
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    QWidget *surface = m_view->engineView()->focusProxy();
    for (int attempt = 0; attempt < 12; ++attempt) {
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(50, attempt % 2 ? 150 : 50));
        QTest::qWait(250);
    }
    m_view->page()->runJavaScript(QStringLiteral("window.location.href = 'x-other-app://script';"));
    QTest::qWait(800);
    for (const QString &scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(handlers.opened, QList<QUrl>{});
    QCOMPARE(m_view->currentUrl(), url);
}

void WebEngineTest::newWindowsOpenInTheSameView()
{
    loadPage(m_server.url(QStringLiteral("/windows/")));
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    // A link with a target of its own is decided like any other and loads here.
    const QUrl target = m_server.url(QStringLiteral("/music/"));
    for (int attempt = 0; attempt < 40 && m_view->currentUrl() != target; ++attempt) {
        QTest::mouseClick(m_view->engineView()->focusProxy(), Qt::LeftButton, {}, QPoint(50, 50));
        QTest::qWait(250);
    }
    QCOMPARE(m_view->currentUrl(), target);
    QVERIFY(m_delegate.asked.contains(target));
    // So does window.open(), an in-page link included: the page stays.
    const QUrl link(QStringLiteral("kavu://music?id=7"));
    m_view->page()->runJavaScript(QStringLiteral("window.open('kavu://music?id=7');"));
    QTRY_VERIFY_WITH_TIMEOUT(m_delegate.asked.contains(link), 10000);
    QCOMPARE(m_view->currentUrl(), target);
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY(widget == m_view || !widget->isVisible() || !qobject_cast<QWebEngineView *>(widget));
}

void WebEngineTest::contextMenuOffersOnlyWhatWorks()
{
    loadPage(m_server.url(QStringLiteral("/music/")));
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    const auto shownMenu = [] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *menu = qobject_cast<QMenu *>(widget); menu && menu->isVisible())
                return menu;
        }
        return static_cast<QMenu *>(nullptr);
    };
    QMenu *menu = nullptr;
    for (int attempt = 0; attempt < 40 && !menu; ++attempt) {
        QTest::mouseClick(m_view->engineView()->focusProxy(), Qt::RightButton, {}, QPoint(50, 50));
        QTest::qWait(250);
        menu = shownMenu();
    }
    QVERIFY(menu);
    QWebEnginePage *page = m_view->page();
    const QList<QAction *> allowed{page->action(QWebEnginePage::Back), page->action(QWebEnginePage::Copy),
                                   page->action(QWebEnginePage::CopyLinkToClipboard),
                                   page->action(QWebEnginePage::SelectAll)};
    for (QAction *action : menu->actions())
        QVERIFY2(action->isSeparator() || allowed.contains(action), qPrintable(action->text()));
    QVERIFY(menu->actions().contains(page->action(QWebEnginePage::CopyLinkToClipboard)));
    menu->close();
}

KAVU_TEST_MAIN(WebEngineTest)
#include "tst_webengine.moc"
