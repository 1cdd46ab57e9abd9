#include "KavuTestMain.h"
#include "TestPlatform.h"
#include "account/AccountSysViewController.h"
#include "allmusic/AllmusicViewController.h"
#include "app/AppDelegate.h"
#include "app/InputViewController.h"
#include "app/PlayerViewController.h"
#include "app/SearchViewController.h"
#include "feeds/AccountViewController.h"
#include "feeds/FirstViewController.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "account/AccountLayout.h"
#include "allmusic/AllmusicLayout.h"
#include "catalogue/CatalogueLayout.h"
#include "platform/system/UserDefaults.h"
#include "platform/ui/Geometry.h"
#include "player/PlayerLayout.h"
#include "catalogue/AlbunsViewController.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "platform/web/WebEngineWebView.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTabBar>
#include <QWebEngineView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QSignalSpy>

namespace {

// Kavu on its demo service, with its files in a temporary home.
struct DemoApp
{
    DemoApp()
    {
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
        started = demo.start();
        bundle = demo.bundle();
        kavu = std::make_unique<KavuApplication>(bundle, QStringLiteral("kavu-test"));
        kavu->window()->show();
    }

    SecondViewController *music() const { return kavu->window()->musicScreen(); }

    QTemporaryDir home;
    DemoService demo;
    bool started = false;
    BundleInfo bundle;
    std::unique_ptr<KavuApplication> kavu;
};

} // namespace

class AppTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void delegateAnswersYesAndDoesNothing();
    void searchPageFillsTheScreen();
    void placeholdersExist();
    void mainWindowHasEveryTab();
    void screensFollowTheirWindow_data();
    void screensFollowTheirWindow();
    void smallestWindowShowsTitlesAndButtonsWhole();
    void keysSelectTabsAndQuit();
    void tabFollowsTheScreen();
    void windowKeepsItsGeometry();
    void musicTabLoadsStartPageFromDemoService();
    void clickingATrackLinkPlaysIt();
    void radioPlaysRandomTracksOneAfterAnother();
    void directPlayerPlaysATrackFromItsPage();

private:
    static QPoint elementCenter(WebEngineWebView *view, const QString &selector);
};

QPoint AppTest::elementCenter(WebEngineWebView *view, const QString &selector)
{
    QVariantList result;
    bool done = false;
    view->page()->runJavaScript(
        QStringLiteral("(function(){var r=document.querySelector('%1').getBoundingClientRect();"
                       "return [r.left + r.width / 2, r.top + r.height / 2];})()")
            .arg(selector),
        [&](const QVariant &value) {
            result = value.toList();
            done = true;
        });
    if (!QTest::qWaitFor([&] { return done; }, 10000) || result.size() != 2)
        return QPoint(-1, -1);
    return QPoint(qRound(result.at(0).toDouble()), qRound(result.at(1).toDouble()));
}

void AppTest::delegateAnswersYesAndDoesNothing()
{
    TestPlatform platform;
    MainWindow window(platform.services);
    window.show();
    window.tabs()->setCurrentIndex(1);
    const QWidgetList before = QApplication::topLevelWidgets();
    AppDelegate delegate;
    delegate.setWindow(&window);
    // Launch options are ignored, an address among them.
    QVERIFY(delegate.applicationDidFinishLaunchingWithOptions(
        {{QStringLiteral("url"), QStringLiteral("kavu://music?id=1")}}));
    delegate.applicationWillResignActive();
    delegate.applicationDidEnterBackground();
    delegate.applicationWillEnterForeground();
    delegate.applicationDidBecomeActive();
    delegate.applicationWillTerminate();
    QCoreApplication::processEvents();
    // The window, its screens and the settings are as they were.
    QVERIFY(window.isVisible());
    QCOMPARE(window.tabs()->currentIndex(), 1);
    QCOMPARE(QApplication::topLevelWidgets().size(), before.size());
    QVERIFY(!window.accountScreen()->isViewLoaded());
    QCOMPARE(platform.streamingPlayers.urls, QList<QUrl>{});
    QVERIFY(!QFileInfo(platform.userDefaults->filePath()).size());
}

void AppTest::searchPageFillsTheScreen()
{
    TestPlatform platform;
    QWidget window;
    auto screen = std::make_unique<SearchViewController>(platform.services, &window);
    screen->resize(320, 568);
    screen->loadViewIfNeeded();
    window.show();
    FakeWebView *page = platform.lastWebView();
    QCOMPARE(screen->webView(), page);
    QCOMPARE(page->delegate(), nullptr);
    QCOMPARE(page->loadRequests(), QList<QUrl>{QUrl(QStringLiteral("https://service.test/app-version/search"))});
    QCOMPARE(page->geometry(), QRect(0, 0, 320, 568));
    screen->resize(500, 300);
    QCOMPARE(page->geometry(), QRect(0, 0, 500, 300));
    screen->didReceiveMemoryWarning();
    QCOMPARE(screen->webView(), page);
    QCOMPARE(page->loadRequests().size(), 1);
    // A kavu link on the page is nobody's business on this screen: the page
    // stays, nothing is looked up and nothing is shown.
    QVERIFY(!page->navigate(QUrl(QStringLiteral("kavu://music?id=1"))));
    QCOMPARE(page->history(), QList<QUrl>{});
    QCOMPARE(platform.alerts.count(), 0);
    screen.reset();
}

void AppTest::placeholdersExist()
{
    InputViewController input;
    input.loadViewIfNeeded();
    QCOMPARE(input.idTextField(), nullptr);
    QCOMPARE(input.submitButton(), nullptr);
    PlayerViewController player;
    player.loadViewIfNeeded();
    QVERIFY(player.isViewLoaded());
}

void AppTest::mainWindowHasEveryTab()
{
    TestPlatform platform;
    MainWindow window(platform.services);
    QTabWidget *tabs = window.tabs();
    QCOMPARE(tabs->tabPosition(), QTabWidget::South);
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles.append(tabs->tabText(i));
    QCOMPARE(titles, (QStringList{QStringLiteral("Музыка"), QStringLiteral("Альбомы"),
                                  QStringLiteral("Аккаунт"), QStringLiteral("Новости"),
                                  QStringLiteral("Разработчики"), QStringLiteral("Плеер"),
                                  QStringLiteral("Поиск")}));
    QVERIFY(qobject_cast<SecondViewController *>(tabs->widget(0)));
    QVERIFY(qobject_cast<AlbunsViewController *>(tabs->widget(1)));
    QVERIFY(qobject_cast<AccountSysViewController *>(tabs->widget(2)));
    QVERIFY(qobject_cast<FirstViewController *>(tabs->widget(3)));
    QVERIFY(qobject_cast<AccountViewController *>(tabs->widget(4)));
    QVERIFY(qobject_cast<AllmusicViewController *>(tabs->widget(5)));
    QVERIFY(qobject_cast<SearchViewController *>(tabs->widget(6)));
    // Screens build their views when their tab is first shown.
    QVERIFY(!window.albumsScreen()->isViewLoaded());
    window.show();
    QVERIFY(window.musicScreen()->isViewLoaded());
    QVERIFY(!window.albumsScreen()->isViewLoaded());
    tabs->setCurrentIndex(1);
    QVERIFY(window.albumsScreen()->isViewLoaded());
    QCOMPARE(platform.webViews.size(), 2);
}

namespace {

// The views of a tab's screen beside the frames its layout gives them for
// the screen's bounds now.
QList<QPair<QWidget *, QRectF>> designedFrames(MainWindow &window, int tab)
{
    const qreal w = window.tabs()->widget(tab)->width();
    const qreal h = window.tabs()->widget(tab)->height();
    if (tab == 0) {
        SecondViewController *s = window.musicScreen();
        const CatalogueLayout c = CatalogueLayout::forBounds(w, h);
        const PlayerLayout p = PlayerLayout::forBounds(w, h);
        return {{s->webView(), c.webView},         {s->navigationBar(), c.navigationBar},
                {s->loadingOverlay(), c.fullScreen}, {s->playerView(), p.playerView},
                {s->timeSlider(), p.timeSlider},    {s->playPauseButton(), p.playPauseButton},
                {s->rewindButton(), p.rewindButton}, {s->forwardButton(), p.forwardButton},
                {s->artistNameLabel(), p.artistNameLabel}, {s->playerNavigationBar(), p.playerNavigationBar}};
    }
    if (tab == 2) {
        AccountSysViewController *s = window.accountScreen();
        const AccountLayout a = AccountLayout::forBounds(w, h);
        return {{s->loginTextField(), a.loginTextField}, {s->authButton(), a.authButton},
                {s->resultLabel(), a.resultLabel},       {s->logoutButton(), a.logoutButton},
                {s->customDimmingView(), a.fullScreen},  {s->accountBar(), a.accountBar}};
    }
    if (tab == 3)
        return {{window.newsScreen()->textView(), QRectF(0, 50, w, h - 50)}};
    AllmusicViewController *s = window.directPlayerScreen();
    const AllmusicLayout d = AllmusicLayout::forBounds(w, h);
    return {{s->webView(), d.fullScreen},         {s->timeSlider(), d.timeSlider},
            {s->forwardButton(), d.forwardButton}, {s->backButton(), d.backButton},
            {s->songNameLabel(), d.songNameLabel}};
}

} // namespace

void AppTest::screensFollowTheirWindow_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QSize>("size"); // none: the smallest the window takes
    for (int tab : {0, 2, 3, 5}) {
        QTest::addRow("tab %d, larger", tab) << tab << QSize(1400, 1000);
        QTest::addRow("tab %d, smallest", tab) << tab << QSize();
    }
}

void AppTest::screensFollowTheirWindow()
{
    QFETCH(int, tab);
    QFETCH(QSize, size);
    TestPlatform platform;
    MainWindow window(platform.services);
    window.show();
    window.tabs()->setCurrentIndex(tab);
    window.resize(size.isValid() ? size : QSize(1, 1));
    QCoreApplication::sendPostedEvents();
    for (const auto &[view, frame] : designedFrames(window, tab))
        QCOMPARE(Geometry::frame(view), frame);
    // Only frames change: the load step ran once.
    for (FakeWebView *page : platform.webViews)
        QCOMPARE(page->loadRequests().size(), 1);
}

void AppTest::smallestWindowShowsTitlesAndButtonsWhole()
{
    TestPlatform platform;
    MainWindow window(platform.services);
    window.show();
    window.resize(1, 1);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(window.size(), window.minimumSize());
    QTabBar *bar = window.tabs()->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        QVERIFY(bar->tabRect(i).width() >= bar->fontMetrics().horizontalAdvance(bar->tabText(i)));
    SecondViewController *music = window.musicScreen();
    QVERIFY(music->width() >= MainWindow::kMinimumScreenWidth);
    QVERIFY(music->height() >= MainWindow::kMinimumScreenHeight);
    platform.webViews.first()->finishLoad(QStringLiteral("Музыка"));
    const QPushButton *left = music->navigationBar()->leftButton();
    const QPushButton *right = music->navigationBar()->rightButton();
    QCOMPARE(left->width(), left->sizeHint().width());
    QCOMPARE(right->width(), right->sizeHint().width());
    QVERIFY(left->geometry().right() < right->geometry().left());
    QVERIFY(right->geometry().right() < music->navigationBar()->width());
}

void AppTest::keysSelectTabsAndQuit()
{
    TestPlatform platform;
    MainWindow window(platform.services);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (int tab = 7; tab >= 1; --tab) {
        QTest::keyClick(&window, Qt::Key(Qt::Key_0 + tab), Qt::ControlModifier);
        QCOMPARE(window.tabs()->currentIndex(), tab - 1);
    }
    QSignalSpy quit(&window, &MainWindow::quitRequested);
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(quit.count(), 1);
    // Preferences: Ctrl+, on any screen, or the button beside the tabs.
    QSignalSpy preferences(&window, &MainWindow::preferencesRequested);
    QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(preferences.count(), 1);
    QVERIFY(window.preferencesButton()->isVisible());
    QCOMPARE(window.preferencesButton()->accessibleName(), QStringLiteral("Preferences"));
    QTest::mouseClick(window.preferencesButton(), Qt::LeftButton);
    QCOMPARE(preferences.count(), 2);
}

void AppTest::tabFollowsTheScreen()
{
    // Tab goes through each screen's controls top to bottom, left to right.
    TestPlatform platform;
    MainWindow window(platform.services);
    window.show();
    SecondViewController *music = window.musicScreen();
    platform.webViews.first()->finishLoad(QStringLiteral("Музыка"));
    music->createAndShowPlayerNavigationBarWithTitle(QStringLiteral("Song"));
    window.tabs()->setCurrentIndex(2);
    AccountSysViewController *account = window.accountScreen();
    const QList<QList<QWidget *>> orders{
        {music->navigationBar()->leftButton(), music->navigationBar()->rightButton(), music->webView(),
         music->playerNavigationBar()->leftButton(), music->playerNavigationBar()->rightButton(),
         music->rewindButton(), music->playPauseButton(), music->forwardButton(), music->timeSlider()},
        {account->loginTextField(), account->passwordTextField(), account->authButton(),
         account->refreshButton(), account->logoutButton()}};
    for (const QList<QWidget *> &order : orders) {
        QList<QWidget *> chain;
        for (QWidget *w = order.first()->nextInFocusChain(); w != order.first(); w = w->nextInFocusChain()) {
            if (order.contains(w))
                chain.append(w);
        }
        QCOMPARE(chain, order.mid(1));
    }
}

void AppTest::windowKeepsItsGeometry()
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const BundleInfo bundle = TestPlatform::testBundle();
    {
        KavuApplication kavu(bundle, QStringLiteral("kavu-window-test"));
        kavu.window()->show();
        kavu.window()->resize(900, 700);
    }
    KavuApplication again(bundle, QStringLiteral("kavu-window-test"));
    QCOMPARE(again.window()->size(), QSize(900, 700));
    // Apart from the settings, which hold none of it.
    QFile settings(UserDefaults::defaultFilePath(QStringLiteral("kavu-window-test")));
    QVERIFY(!settings.open(QIODevice::ReadOnly) || !settings.readAll().contains("geometry"));
}

void AppTest::musicTabLoadsStartPageFromDemoService()
{
    DemoApp app;
    QVERIFY(app.started);
    SecondViewController *music = app.music();
    QVERIFY(music->isViewLoaded());
    const QString expected = QStringLiteral("/kavu/music/?version=") + app.bundle.shortVersionString;
    QTRY_VERIFY_WITH_TIMEOUT(app.demo.requestLog().contains(expected), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(music->webView()->documentTitle(), QStringLiteral("Музыка"), 20000);
    // Its settings live apart, in the configured settings directory.
    QVERIFY(QFile::exists(app.home.filePath(QStringLiteral("config/kavu/kavu-test.conf"))));
}

void AppTest::clickingATrackLinkPlaysIt()
{
    DemoApp app;
    SecondViewController *music = app.music();

    // The start page offers its items once loaded.
    QTRY_VERIFY_WITH_TIMEOUT(music->webViewNavigationItem()->rightBarButtonItem(), 20000);
    QCOMPARE(music->webViewNavigationItem()->title(), QStringLiteral("Музыка"));
    QCOMPARE(music->webViewNavigationItem()->leftBarButtonItem()->title(),
             QStringLiteral("Настройки"));

    auto *page = qobject_cast<WebEngineWebView *>(music->webView());
    QVERIFY(page);
    const QPoint link = elementCenter(page, QStringLiteral("a.track"));
    QVERIFY(link.x() >= 0);
    QTest::mouseClick(page->engineView()->focusProxy(), Qt::LeftButton, {}, link);

    QTRY_VERIFY_WITH_TIMEOUT(app.demo.requestLog().contains(QStringLiteral("/kavu/API/get-info-songs.php?id=1")),
                             10000);
    QTRY_COMPARE_WITH_TIMEOUT(music->songNameLabel()->text(), QStringLiteral("Белые ночи"), 10000);
    QCOMPARE(music->artistNameLabel()->text(), QStringLiteral("Кавуновый оркестр"));
    QCOMPARE(music->nextSongID(), std::optional<QString>(QStringLiteral("2")));
    QVERIFY(music->playerView()->isVisible());
    QCOMPARE(page->currentUrl().path(), QStringLiteral("/kavu/music/"));

    // It plays for real: the position moves and the slider follows.
    QVERIFY(music->player());
    QTRY_VERIFY_WITH_TIMEOUT(music->player()->currentTime() > 0.5, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(music->timeSlider()->value() > 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(music->backgroundImageView()->hasImage(), 10000);

    // Near its end, the next track follows.
    const double duration = music->player()->currentItem()->duration();
    QVERIFY(duration >= 20);
    music->player()->seekToTime(duration - 1.5);
    QTRY_COMPARE_WITH_TIMEOUT(music->songNameLabel()->text(), QStringLiteral("Morning Drive"), 15000);
    QVERIFY(app.demo.requestLog().contains(QStringLiteral("/kavu/API/get-info-songs.php?id=2")));
    QTRY_VERIFY_WITH_TIMEOUT(music->player() && music->player()->currentTime() > 0.2, 15000);
}

void AppTest::radioPlaysRandomTracksOneAfterAnother()
{
    DemoApp app;
    SecondViewController *music = app.music();
    QTRY_VERIFY_WITH_TIMEOUT(music->navigationBar()->rightButton(), 20000);
    QCOMPARE(music->navigationBar()->rightButton()->text(), QStringLiteral("Радио"));
    music->navigationBar()->rightButton()->click();
    QVERIFY(music->radioMode());

    const QString random = QStringLiteral("/kavu/API/get-info-random-songs.php");
    QTRY_COMPARE_WITH_TIMEOUT(app.demo.requestLog().count(random), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(music->player() && music->player()->currentTime() > 0.2, 15000);
    const double duration = music->player()->currentItem()->duration();
    music->player()->seekToTime(duration - 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(app.demo.requestLog().count(random), 2, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(music->player() && music->player()->currentTime() > 0.2, 15000);
    QVERIFY(music->radioMode());
    QCOMPARE(music->currentSongID(), std::nullopt);
}

void AppTest::directPlayerPlaysATrackFromItsPage()
{
    DemoApp app;
    QTabWidget *tabs = app.kavu->window()->tabs();
    AllmusicViewController *direct = app.kavu->window()->directPlayerScreen();
    tabs->setCurrentWidget(direct);
    QVERIFY(direct->isViewLoaded());
    auto *page = qobject_cast<WebEngineWebView *>(direct->webView());
    QTRY_COMPARE_WITH_TIMEOUT(page->documentTitle(), QStringLiteral("Плеер"), 20000);
    QTest::qWait(200);
    const QPoint link = elementCenter(page, QStringLiteral("a.track:nth-of-type(2)"));
    QVERIFY(link.x() >= 0);
    QTest::mouseClick(page->engineView()->focusProxy(), Qt::LeftButton, {}, link);
    QTRY_VERIFY_WITH_TIMEOUT(app.demo.requestLog().contains(QStringLiteral("/API/test1.php?id=2")), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(direct->audioPlayer() && direct->audioPlayer()->isPlaying(), 15000);
    QCOMPARE(direct->songNameLabel()->text(), QStringLiteral("Morning Drive"));
    QVERIFY(direct->audioPlayer()->duration() >= 20);
    QTRY_VERIFY_WITH_TIMEOUT(direct->timeSlider()->value() > 0, 5000);
    QVERIFY(direct->backButton()->isVisible());
}

KAVU_TEST_MAIN(AppTest)
#include "tst_app.moc"
