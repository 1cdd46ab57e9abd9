#include "KavuTestMain.h"
#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"
#include "account/AccountSysViewController.h"
#include "catalogue/SecondViewController.h"
#include "feeds/FirstViewController.h"
#include "platform/web/KavuSchemeHandler.h"
#include "platform/net/UrlLoader.h"
#include "platform/web/WebEngineWebView.h"

#include <QWebEngineProfile>

#include <memory>

namespace {

class LoadRecorder : public WebViewDelegate
{
public:
    void webViewDidFinishLoad(WebView *) override { ++finished; }
    void webViewDidFailLoadWithError(WebView *, const QString &) override { ++failed; }
    int finished = 0;
    int failed = 0;
};

} // namespace

// Against a server whose certificate nobody trusts, every request fails as
// a connection failure: no body is ever taken from it.
class TlsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loaderGetsNoBody();
    void trackInfoIsAConnectionFailure();
    void accountIsAConnectionFailure();
    void feedIsAConnectionFailure();
    void pageLoadFails();

private:
    LocalHttpServer m_server;
};

void TlsTest::initTestCase()
{
    QVERIFY(m_server.listenTls());
    m_server.setHandler([this](const HttpRequest &) {
        return HttpReply::text(QStringLiteral("%1/a.wav,%1/i.png,Song,Artist,next:2,demo")
                                   .arg(m_server.origin())
                                   .toUtf8());
    });
}

void TlsTest::loaderGetsNoBody()
{
    UrlLoader loader;
    QObject context;
    std::optional<UrlResponse> outcome;
    loader.get(m_server.url(QStringLiteral("/x")), 1024, &context,
               [&](const UrlResponse &response) { outcome = response; });
    QTRY_VERIFY(outcome.has_value());
    QVERIFY(!outcome->succeeded());
    QVERIFY(!outcome->error.isEmpty());
    QVERIFY(m_server.requests().isEmpty());
}

void TlsTest::trackInfoIsAConnectionFailure()
{
    TestPlatform platform;
    platform.userDefaults->setString(QStringLiteral("customURL"), m_server.origin() + QStringLiteral("/kavu"));
    SecondViewController screen(platform.services);
    screen.resize(320, 480);
    screen.loadViewIfNeeded();
    LogCapture capture;
    screen.fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_COMPARE(capture.lines().size(), 1);
    QVERIFY(capture.lines().at(0).startsWith(QStringLiteral("Ошибка подключения: ")));
    QCOMPARE(platform.alerts.last()->message(), QStringLiteral("Не удалось подключиться к серверу."));
    QVERIFY(platform.streamingPlayers.urls.isEmpty());
}

void TlsTest::accountIsAConnectionFailure()
{
    TestPlatform platform;
    platform.userDefaults->setString(QStringLiteral("customURL"), m_server.origin() + QStringLiteral("/kavu"));
    platform.userDefaults->setString(QStringLiteral("login"), QStringLiteral("demo"));
    platform.userDefaults->setString(QStringLiteral("password"), QStringLiteral("demo"));
    AccountSysViewController screen(platform.services);
    screen.resize(320, 480);
    screen.loadViewIfNeeded();
    QTRY_COMPARE(screen.resultLabel()->text(), QStringLiteral("Error fetching data"));
    QVERIFY(!platform.userDefaults->hasKey(QStringLiteral("userData")));
}

void TlsTest::feedIsAConnectionFailure()
{
    TestPlatform platform;
    platform.services.bundle.serviceHostOrigin = m_server.origin();
    FirstViewController screen(platform.services);
    screen.resize(320, 480);
    screen.loadViewIfNeeded();
    QTRY_VERIFY(screen.textView()->text().startsWith(QStringLiteral("Error: ")));
}

void TlsTest::pageLoadFails()
{
    QWebEngineProfile profile;
    KavuSchemeHandler::install(&profile);
    WebEngineWebView view(&profile);
    LoadRecorder recorder;
    view.setDelegate(&recorder);
    view.resize(320, 480);
    view.show();
    view.loadRequest(m_server.url(QStringLiteral("/kavu/music/")));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.failed, 1, 20000);
    QCOMPARE(recorder.finished, 0);
    QVERIFY(view.documentTitle() != QStringLiteral("Song"));
    view.setDelegate(nullptr);
}

KAVU_TEST_MAIN(TlsTest)
#include "tst_tls.moc"
