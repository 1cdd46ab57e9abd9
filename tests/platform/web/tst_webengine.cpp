#include "KavuTestMain.h"
#include "LocalHttpServer.h"
#include "platform/web/KavuSchemeHandler.h"
#include "platform/web/WebEngineWebView.h"

#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
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
    void otherSitesGoToTheBrowserOnAClickOnly();
    void contextMenuOffersOnlyWhatWorks();

private:
    WebEngineWebView *loadPage(const QUrl &url, const SitePolicy &policy = SitePolicy::anySite());

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
    WebEngineWebView::confineProfile(m_profile);
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

WebEngineWebView *WebEngineTest::loadPage(const QUrl &url, const SitePolicy &policy)
{
    delete m_view;
    m_view = new WebEngineWebView(m_profile, policy);
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

void WebEngineTest::otherSitesGoToTheBrowserOnAClickOnly()
{
    // The catalogue's site is this server at 127.0.0.1; the same server as
    // "localhost" is another site. The desktop's browser is a recording
    // xdg-open on PATH, found there by the platform's services.
    QTemporaryDir bin;
    const QString opened = bin.filePath(QStringLiteral("opened"));
    QFile script(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$1\" >> '%1'\n").arg(opened).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);
    const auto restorePath = qScopeGuard([&path] { qputenv("PATH", path); });
    const auto handedOut = [&opened] {
        QFile file(opened);
        return file.open(QIODevice::ReadOnly)
            ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
            : QStringList();
    };
    const QString other = QStringLiteral("http://localhost:%1").arg(m_server.port());
    const QString blocks = QStringLiteral("<style>body{margin:0}a,button{display:block;width:300px;height:60px;"
                                          "margin:0;padding:0;border:0;background:#ccc}</style>");
    m_server.route(QStringLiteral("/site/"),
                   HttpReply::html(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Сайт</title>"
                                                  "%1</head><body><a href=\"%2/link/\">ссылка</a>"
                                                  "<a target=\"_blank\" href=\"%2/blank/\">окно</a><button onclick=\""
                                                  "for (let i = 0; i < 20; ++i) window.open('%2/many/' + i)\">окна"
                                                  "</button><a href=\"/same/\">здесь</a></body></html>")
                                       .arg(blocks, other)));
    m_server.route(QStringLiteral("/same/"), HttpReply::html(QStringLiteral("<title>Здесь</title>")));
    m_server.route(QStringLiteral("/scripts/"),
                   HttpReply::html(QStringLiteral("<title>Скрипты</title><script>"
                                                  "setTimeout(() => window.open('%1/timer/'), 100);"
                                                  "setTimeout(() => location.href = '%1/script/', 300);"
                                                  "setTimeout(() => location.href = '/redirect/', 600);</script>")
                                       .arg(other)));
    HttpReply redirect;
    redirect.status = 302;
    redirect.headers.append(qMakePair(QByteArray("Location"), (other + QStringLiteral("/redirected/")).toUtf8()));
    m_server.route(QStringLiteral("/redirect/"), redirect);
    m_server.route(QStringLiteral("/alerts/"),
                   HttpReply::html(QStringLiteral("<title>Окна</title><script>"
                                                  "for (let i = 0; i < 20; ++i) alert('a' + i);</script>")));
    m_server.route(QStringLiteral("/where/"),
                   HttpReply::html(QStringLiteral("<title>?</title><script>navigator.geolocation.getCurrentPosition("
                                                  "() => document.title = 'granted', () => document.title = 'denied');"
                                                  "</script>")));
    const SitePolicy policy({QUrl(m_server.origin())});

    // Each click hands out one address, the click that opens twenty windows
    // too; the page stays.
    const QUrl site = m_server.url(QStringLiteral("/site/"));
    loadPage(site, policy);
    QTRY_COMPARE_WITH_TIMEOUT(m_delegate.finished, 1, 20000);
    QWidget *surface = m_view->engineView()->focusProxy();
    const QStringList expected{other + QStringLiteral("/link/"), other + QStringLiteral("/blank/"),
                               other + QStringLiteral("/many/0")};
    for (int i = 0; i < expected.size(); ++i) {
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(50, 30 + 60 * i));
        QTRY_COMPARE_WITH_TIMEOUT(handedOut().size(), i + 1, 5000);
        QCOMPARE(handedOut().last(), expected.at(i));
    }
    QTest::qWait(500);
    QCOMPARE(handedOut(), expected);
    QCOMPARE(m_view->currentUrl(), site);
    // The site's own link loads here.
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(50, 210));
    QTRY_COMPARE(m_view->currentUrl(), m_server.url(QStringLiteral("/same/")));

    // Without a click (a timer's window, a script, a redirect) nothing is
    // handed out and nothing loads.
    const QUrl scripts = m_server.url(QStringLiteral("/scripts/"));
    loadPage(scripts, policy);
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestTargets().contains(QStringLiteral("/redirect/")), 20000);
    QTest::qWait(500);
    QCOMPARE(handedOut(), expected);
    QCOMPARE(m_view->currentUrl(), scripts);
    QCOMPARE(m_view->documentTitle(), QStringLiteral("Скрипты"));

    // A page's dialogs: two, then no more; the view goes on.
    QSet<QMessageBox *> dialogs;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&dialogs] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (box && box->isVisible() && !dialogs.contains(box)) {
                dialogs.insert(box);
                box->accept();
            }
        }
    });
    closer.start(20);
    loadPage(m_server.url(QStringLiteral("/alerts/")), policy);
    QTRY_COMPARE_WITH_TIMEOUT(m_view->documentTitle(), QStringLiteral("Окна"), 20000);
    QTest::qWait(500);
    QCOMPARE(dialogs.size(), WebEngineWebPage::kDialogsPerPage);
    QVariant answer;
    m_view->page()->runJavaScript(QStringLiteral("6 * 7"), [&answer](const QVariant &result) { answer = result; });
    QTRY_COMPARE(answer.toInt(), 42);

    // Asked for its place, the page is refused at once, without a dialog.
    loadPage(m_server.url(QStringLiteral("/where/")), policy);
    QTRY_COMPARE_WITH_TIMEOUT(m_view->documentTitle(), QStringLiteral("denied"), 20000);
    QCOMPARE(dialogs.size(), WebEngineWebPage::kDialogsPerPage);
}

KAVU_TEST_MAIN(WebEngineTest)
#include "tst_webengine.moc"
