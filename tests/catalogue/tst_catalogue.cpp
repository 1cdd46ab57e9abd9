#include "LogCapture.h"
#include "SettingsFileCopy.h"
#include "TestPlatform.h"
#include "catalogue/AlbunsViewController.h"
#include "catalogue/SecondViewController.h"
#include "protocol/QueryString.h"
#include "LocalHttpServer.h"
#include "platform/ui/Geometry.h"

#include <QTest>

#include <memory>

namespace {

std::unique_ptr<CatalogueViewController> makeScreen(TestPlatform &platform, bool music,
                                                    QSize size = QSize(320, 568))
{
    std::unique_ptr<CatalogueViewController> screen;
    if (music)
        screen = std::make_unique<SecondViewController>(platform.services);
    else
        screen = std::make_unique<AlbunsViewController>(platform.services);
    screen->resize(size);
    screen->loadViewIfNeeded();
    return screen;
}

// The root view's children, bottom to top.
QList<QWidget *> stacking(QWidget *parent)
{
    QList<QWidget *> result;
    for (QObject *child : parent->children()) {
        if (auto *widget = qobject_cast<QWidget *>(child))
            result.append(widget);
    }
    return result;
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void screenResolvesTheSiteAddress_data();
    void screenResolvesTheSiteAddress();
    void startPages_data();
    void startPages();
    void settingsDialogPrefill_data();
    void settingsDialogPrefill();
    void settingsDialogResult_data();
    void settingsDialogResult();
    void loadStepLayout_data();
    void loadStepLayout();
    void viewsFollowSizeChanges();

    void linkDecisions_data();
    void linkDecisions();
    void titleCheck_data();
    void titleCheck();
    void titleCheckRebuildsItemsAndRunsEverySecond();
    void itemsAct();
    void loadingState();
    void rendererCrash();
    void alertsOneAtATime();
    void backButton_data();
    void backButton();
    void radioTwice();

private:
    // A screen whose catalogue site is the local test server.
    std::unique_ptr<CatalogueViewController> makeServedScreen(TestPlatform &platform, bool music);
    LocalHttpServer m_server;
};

void CatalogueTest::screenResolvesTheSiteAddress_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("site");
    QTest::newRow("nothing stored") << std::optional<QString>()
                                    << QStringLiteral("https://catalogue.test/kavu/");
    QTest::newRow("without trailing slash")
        << std::optional<QString>(QStringLiteral("https://my.site/x")) << QStringLiteral("https://my.site/x/");
    QTest::newRow("with trailing slash")
        << std::optional<QString>(QStringLiteral("https://my.site/x/")) << QStringLiteral("https://my.site/x/");
}

void CatalogueTest::screenResolvesTheSiteAddress()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, site);
    // The screen resolves through its key "customURL" in the user defaults.
    TestPlatform platform;
    if (stored)
        platform.userDefaults->setString(QStringLiteral("customURL"), *stored);
    auto screen = makeScreen(platform, true);
    QCOMPARE(screen->customURLKey(), QStringLiteral("customURL"));
    QCOMPARE(screen->siteAddress(), site);
}

void CatalogueTest::startPages_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("music");
    QTest::addColumn<QString>("albums");

    QTest::newRow("default site")
        << std::optional<QString>()
        << QStringLiteral("https://catalogue.test/kavu/music/?version=2.5.1")
        << QStringLiteral("https://catalogue.test/kavu/music/albums/?version=2.5.1");
    QTest::newRow("custom site with slash")
        << std::optional<QString>(QStringLiteral("http://other.test/base/"))
        << QStringLiteral("http://other.test/base/music/?version=2.5.1")
        << QStringLiteral("http://other.test/base/music/albums/?version=2.5.1");
    // White space does not form a URL: no page is requested and no message shown.
    QTest::newRow("white space") << std::optional<QString>(QStringLiteral(" ")) << QString()
                                 << QString();
    // An empty address gives a relative address, which no web view can load.
    QTest::newRow("empty") << std::optional<QString>(QString(""))
                           << QStringLiteral("/music/?version=2.5.1")
                           << QStringLiteral("/music/albums/?version=2.5.1");
}

void CatalogueTest::startPages()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, music);
    QFETCH(QString, albums);

    for (const bool isMusic : {true, false}) {
        TestPlatform platform;
        if (stored)
            platform.userDefaults->setString(QStringLiteral("customURL"), *stored);
        auto screen = makeScreen(platform, isMusic);
        const QString expected = isMusic ? music : albums;
        FakeWebView *page = platform.lastWebView();
        QVERIFY(page);
        if (expected.isEmpty()) {
            QVERIFY(page->loadRequests().isEmpty());
            QVERIFY(screen->initialURL().isEmpty());
        } else {
            QCOMPARE(page->loadRequests(), QList<QUrl>{QUrl(expected)});
            QCOMPARE(screen->initialURL(), QUrl(expected));
        }
        QCOMPARE(platform.alerts.count(), 0);
    }
}

void CatalogueTest::settingsDialogPrefill_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("prefill");
    QTest::newRow("nothing stored") << std::optional<QString>()
                                    << QStringLiteral("https://catalogue.test/kavu");
    QTest::newRow("stored") << std::optional<QString>(QStringLiteral("https://mine.test/"))
                            << QStringLiteral("https://mine.test/");
}

void CatalogueTest::settingsDialogPrefill()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, prefill);
    TestPlatform platform;
    if (stored)
        platform.userDefaults->setString(QStringLiteral("customURL"), *stored);
    auto screen = makeScreen(platform, true);
    screen->showAppInfo();
    AlertView *dialog = platform.alerts.last();
    QVERIFY(dialog);
    QCOMPARE(dialog->title(), QStringLiteral("Настройки приложения"));
    QCOMPARE(dialog->message(), QStringLiteral("Версия: 2.5.1"));
    QCOMPARE(dialog->buttonTitles(),
             QStringList({QStringLiteral("Отмена"), QStringLiteral("Перезагрузить")}));
    QCOMPARE(dialog->alertViewStyle(), AlertView::Style::PlainTextInput);
    QCOMPARE(dialog->textFieldText(), prefill);
    QCOMPARE(dialog->delegate(), static_cast<AlertViewDelegate *>(screen.get()));
}

void CatalogueTest::settingsDialogResult_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("button");
    QTest::addColumn<std::optional<QString>>("storedAfter");
    QTest::addColumn<QList<int>>("exits");

    const QString settings = QStringLiteral("Настройки приложения");
    QTest::newRow("empty field stores the default")
        << settings << QString("") << 1
        << std::optional<QString>(QStringLiteral("https://catalogue.test/kavu")) << QList<int>{0};
    QTest::newRow("white space is stored as it is")
        << settings << QStringLiteral("   ") << 1 << std::optional<QString>(QStringLiteral("   "))
        << QList<int>{0};
    QTest::newRow("new address")
        << settings << QStringLiteral("https://new.test/kavu") << 1
        << std::optional<QString>(QStringLiteral("https://new.test/kavu")) << QList<int>{0};
    QTest::newRow("cancel stores nothing")
        << settings << QStringLiteral("https://new.test/kavu") << 0 << std::optional<QString>()
        << QList<int>{};
    QTest::newRow("another alert's button 1")
        << QStringLiteral("Информация о песне") << QStringLiteral("https://new.test") << 1
        << std::optional<QString>() << QList<int>{};
}

void CatalogueTest::settingsDialogResult()
{
    QFETCH(QString, title);
    QFETCH(QString, field);
    QFETCH(int, button);
    QFETCH(std::optional<QString>, storedAfter);
    QFETCH(QList<int>, exits);

    TestPlatform platform;
    auto screen = makeScreen(platform, true);
    AlertView alert(title, QString(), screen.get(), QStringLiteral("Отмена"),
                    {QStringLiteral("Перезагрузить")});
    alert.setAlertViewStyle(AlertView::Style::PlainTextInput);
    alert.setTextFieldText(field);
    alert.dismissWithClickedButtonIndex(button);

    QCOMPARE(platform.terminator.statuses(), exits);
    QCOMPARE(platform.userDefaults->stringForKey(QStringLiteral("customURL")), storedAfter);
    if (storedAfter) {
        // Flushed to the file before the process ends.
        const SettingsFileCopy reread(platform.userDefaults->filePath());
        QCOMPARE(reread->stringForKey(QStringLiteral("customURL")), storedAfter);
    }
}

void CatalogueTest::loadStepLayout_data()
{
    QTest::addColumn<bool>("music");
    QTest::newRow("music") << true;
    QTest::newRow("albums") << false;
}

void CatalogueTest::loadStepLayout()
{
    QFETCH(bool, music);
    TestPlatform platform;
    auto screen = makeScreen(platform, music);
    QWidget *root = screen.get();

    QCOMPARE(screen->radioMode(), false);
    QCOMPARE(screen->radioModeButton(), music);
    QCOMPARE(screen->infoProgrammButton(), music);

    QCOMPARE(screen->webView()->geometry(), QRect(0, 44, 320, 524));
    QCOMPARE(screen->navigationBar()->geometry(), QRect(0, 0, 320, 44));
    QCOMPARE(screen->playerNavigationBar()->geometry(), QRect(0, 0, 320, 44));
    QCOMPARE(screen->loadingOverlay()->geometry(), QRect(0, 0, 320, 568));
    QCOMPARE(Geometry::frame(screen->activityIndicator()).center(), QPointF(160, 284));
    QCOMPARE(screen->activityIndicator()->style(), ActivityIndicatorView::Style::WhiteLarge);
    QCOMPARE(screen->backgroundImageView()->contentMode(), ImageView::ContentMode::ScaleAspectFill);
    QCOMPARE(Geometry::backgroundColor(screen->overlayView()), Geometry::colorWithWhite(0, 0.5));
    QCOMPARE(Geometry::backgroundColor(screen->loadingOverlay()), Geometry::colorWithWhite(0, 0.5));
    QCOMPARE(screen->navigationBar()->tintColor(), QColor(Qt::black));
    QCOMPARE(screen->playerNavigationBar()->tintColor(), QColor(Qt::black));

    // Bottom to top in the root view; the player's views live in the player view.
    QCOMPARE(stacking(root),
             (QList<QWidget *>{screen->webView(), screen->navigationBar(),
                               screen->activityIndicator(), screen->loadingOverlay(),
                               screen->playerView()}));
    QCOMPARE(stacking(screen->playerView()),
             (QList<QWidget *>{screen->backgroundImageView(), screen->overlayView(),
                               screen->timeSlider(), screen->playPauseButton(),
                               screen->rewindButton(), screen->forwardButton(),
                               screen->songNameLabel(), screen->artistNameLabel(),
                               screen->playerNavigationBar(),
                               screen->volumeAndTimeControls()->elapsedLabel(),
                               screen->volumeAndTimeControls()->remainingLabel(),
                               screen->volumeAndTimeControls()->muteButton(),
                               screen->volumeAndTimeControls()->volumeSlider()}));

    // Only the page and its bar can be seen, with an untitled item and no buttons.
    QList<QWidget *> visible;
    for (QWidget *child : root->findChildren<QWidget *>()) {
        if (child->isVisibleTo(root) && child->parentWidget() == root)
            visible.append(child);
    }
    QCOMPARE(visible, (QList<QWidget *>{screen->webView(), screen->navigationBar()}));
    QVERIFY(!screen->activityIndicator()->isAnimating());
    QVERIFY(!screen->backgroundImageView()->hasImage());
    QCOMPARE(screen->navigationBar()->items(),
             QList<NavigationItem *>{screen->webViewNavigationItem()});
    QCOMPARE(screen->webViewNavigationItem()->title(), QString(""));
    QVERIFY(!screen->webViewNavigationItem()->leftBarButtonItem());
    QVERIFY(!screen->webViewNavigationItem()->rightBarButtonItem());
    QVERIFY(!screen->navigationBar()->leftButton());
    QVERIFY(screen->playerNavigationBar()->items().isEmpty());

    // The title check runs every second from the load step on.
    QVERIFY(screen->titleCheckTimer()->isActive());
    QCOMPARE(screen->titleCheckTimer()->interval(), 1000);
    QCOMPARE(platform.lastWebView()->delegate(), static_cast<WebViewDelegate *>(screen.get()));
}

void CatalogueTest::viewsFollowSizeChanges()
{
    TestPlatform platform;
    QWidget window;
    auto *screen = new SecondViewController(platform.services, &window);
    screen->resize(320, 568);
    screen->loadViewIfNeeded();
    window.show();

    // A resized window lays every view out again for its new size.
    screen->resize(480, 700);
    QCOMPARE(screen->webView()->geometry(), QRect(0, 44, 480, 656));
    QCOMPARE(screen->navigationBar()->geometry(), QRect(0, 0, 480, 44));
    QCOMPARE(screen->loadingOverlay()->geometry(), QRect(0, 0, 480, 700));
    QCOMPARE(screen->playerView()->geometry(), QRect(0, 0, 480, 700));
    QCOMPARE(screen->timeSlider()->geometry(), QRect(20, 600, 440, 20));
    QCOMPARE(Geometry::frame(screen->activityIndicator()).center(), QPointF(240, 350));
}

using Query = QHash<QString, QString>;

std::unique_ptr<CatalogueViewController> CatalogueTest::makeServedScreen(TestPlatform &platform,
                                                                       bool music)
{
    if (!m_server.port())
        m_server.listen();
    m_server.clearRequests();
    platform.userDefaults->setString(QStringLiteral("customURL"),
                                     m_server.origin() + QStringLiteral("/kavu"));
    return makeScreen(platform, music);
}

void CatalogueTest::linkDecisions_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QStringList>("alert"); // title, message, button
    QTest::addColumn<std::optional<QString>>("fetched");

    const std::optional<QString> none;
    QTest::newRow("alert") << "kavu://alert?name=Hello&text=World" << false
                           << QStringList{"Hello", "World", "OK"} << none;
    QTest::newRow("alert empty text") << "kavu://alert?name=Hello&text=" << false
                                      << QStringList{"Hello", "", "OK"} << none;
    QTest::newRow("alert markup") << "kavu://alert?name=%3Cb%3EHi%3C%2Fb%3E&text=%3Cimg%20src%3Dx%3E"
                                  << false << QStringList{"<b>Hi</b>", "<img src=x>", "OK"} << none;
    QTest::newRow("alert without text") << "kavu://alert?name=Hello" << false << QStringList{} << none;
    QTest::newRow("alert without query") << "kavu://alert" << false << QStringList{} << none;
    QTest::newRow("music") << "kavu://music?id=42" << false << QStringList{}
                           << std::optional<QString>("42");
    QTest::newRow("music later id") << "kavu://music?id=42&id=7" << false << QStringList{}
                                    << std::optional<QString>("7");
    QTest::newRow("music empty id") << "kavu://music?id=" << false << QStringList{}
                                    << std::optional<QString>("");
    QTest::newRow("music hostile id") << "kavu://music?id=1%26id%3D2" << false << QStringList{}
                                      << std::optional<QString>("1&id=2");
    QTest::newRow("music without query") << "kavu://music" << false << QStringList{} << none;
    QTest::newRow("music without id") << "kavu://music?track=4" << false << QStringList{} << none;
    QTest::newRow("other kavu host") << "kavu://player?id=1" << true << QStringList{} << none;
    QTest::newRow("https") << "https://example.org/page" << true << QStringList{} << none;
}

void CatalogueTest::linkDecisions()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QFETCH(QStringList, alert);
    QFETCH(std::optional<QString>, fetched);

    TestPlatform platform;
    auto screen = makeServedScreen(platform, true);
    FakeWebView *page = platform.lastWebView();
    page->navigate(screen->initialURL());
    page->finishLoad(QStringLiteral("Музыка"));

    QCOMPARE(page->navigate(QUrl(url)), allowed);
    QCOMPARE(page->history().size(), allowed ? 2 : 1);
    if (alert.isEmpty()) {
        QCOMPARE(platform.alerts.count(), 0);
    } else {
        QCOMPARE(platform.alerts.count(), 1);
        AlertView *shown = platform.alerts.last();
        QCOMPARE(shown->title(), alert.at(0));
        QCOMPARE(shown->message(), alert.at(1));
        QCOMPARE(shown->buttonTitles(), QStringList{alert.at(2)});
        QVERIFY(!shown->delegate());
    }
    QCOMPARE(screen->currentSongID(), fetched);
    if (fetched) {
        QTRY_COMPARE(m_server.requests().size(), 1);
        QCOMPARE(m_server.requests().at(0).path(), QStringLiteral("/kavu/API/get-info-songs.php"));
        // The identifier arrives as one parameter, whatever it holds.
        QCOMPARE(QueryString::parse(m_server.requests().at(0).query()),
                 (Query{{QStringLiteral("id"), *fetched}}));
    }
    QCOMPARE(screen->radioMode(), false);
}

void CatalogueTest::titleCheck_data()
{
    QTest::addColumn<bool>("music");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");

    QTest::newRow("music start page") << true << QStringLiteral("Музыка")
                                      << QStringLiteral("Настройки") << QStringLiteral("Радио");
    QTest::newRow("music trailing space") << true << QStringLiteral("Музыка ")
                                          << QStringLiteral("Назад") << QString();
    QTest::newRow("music empty title") << true << QString() << QStringLiteral("Назад") << QString();
    QTest::newRow("music other page") << true << QStringLiteral("Альбомы")
                                      << QStringLiteral("Назад") << QString();
    QTest::newRow("albums start page") << false << QStringLiteral("Альбомы") << QString() << QString();
    QTest::newRow("albums other page") << false << QStringLiteral("Музыка")
                                       << QStringLiteral("Назад") << QString();
}

void CatalogueTest::titleCheck()
{
    QFETCH(bool, music);
    QFETCH(QString, title);
    QFETCH(QString, left);
    QFETCH(QString, right);

    TestPlatform platform;
    auto screen = makeScreen(platform, music);
    NavigationItem *item = screen->webViewNavigationItem();
    // Start from the other state, so that every row changes something.
    platform.lastWebView()->setDocumentTitle(left == QStringLiteral("Назад")
                                                 ? screen->variant().startPageTitle
                                                 : QStringLiteral("other"));
    screen->checkPageTitle();

    platform.lastWebView()->setDocumentTitle(title);
    screen->checkPageTitle();
    QCOMPARE(item->leftBarButtonItem() ? item->leftBarButtonItem()->title() : QString(), left);
    QCOMPARE(item->rightBarButtonItem() ? item->rightBarButtonItem()->title() : QString(), right);
    QCOMPARE(screen->navigationBar()->leftButton() ? screen->navigationBar()->leftButton()->text()
                                                   : QString(),
             left);
    QCOMPARE(screen->navigationBar()->rightButton() ? screen->navigationBar()->rightButton()->text()
                                                    : QString(),
             right);
    // The title check never touches the item's title.
    QCOMPARE(item->title(), QString(""));
}

void CatalogueTest::titleCheckRebuildsItemsAndRunsEverySecond()
{
    TestPlatform platform;
    auto screen = makeScreen(platform, true);
    NavigationItem *item = screen->webViewNavigationItem();
    platform.lastWebView()->setDocumentTitle(QStringLiteral("Музыка"));
    // The timer's first run comes a second after the load step.
    QVERIFY(!item->leftBarButtonItem());
    QTRY_VERIFY_WITH_TIMEOUT(item->leftBarButtonItem(), 2500);
    QPointer<BarButtonItem> first = item->leftBarButtonItem();
    screen->checkPageTitle();
    QVERIFY(item->leftBarButtonItem() != first.data());
    QCOMPARE(item->leftBarButtonItem()->title(), QStringLiteral("Настройки"));
    // The old item is released.
    QTRY_VERIFY(first.isNull());

    // The title shows only when a load finishes.
    platform.lastWebView()->setDocumentTitle(QStringLiteral("Альбом"));
    screen->checkPageTitle();
    QCOMPARE(item->title(), QString(""));
    platform.lastWebView()->finishLoad(QStringLiteral("Альбом <b>1</b>"));
    QCOMPARE(item->title(), QStringLiteral("Альбом <b>1</b>"));
    QCOMPARE(screen->navigationBar()->titleLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(item->leftBarButtonItem()->title(), QStringLiteral("Назад"));
}

void CatalogueTest::itemsAct()
{
    TestPlatform platform;
    auto screen = makeServedScreen(platform, true);
    FakeWebView *page = platform.lastWebView();
    page->navigate(screen->initialURL());
    page->finishLoad(QStringLiteral("Музыка"));

    screen->navigationBar()->leftButton()->click();
    QCOMPARE(platform.alerts.count(), 1);
    QCOMPARE(platform.alerts.last()->title(), QStringLiteral("Настройки приложения"));

    screen->navigationBar()->rightButton()->click();
    QVERIFY(screen->radioMode());
    QTRY_COMPARE(m_server.requestTargets(),
                 QStringList{QStringLiteral("/kavu/API/get-info-random-songs.php")});

    page->navigate(QUrl(QStringLiteral("https://example.org/album")));
    page->finishLoad(QStringLiteral("Альбом"));
    screen->navigationBar()->leftButton()->click();
    QCOMPARE(page->goBackCount(), 1);
    QVERIFY(!screen->radioMode());
}

void CatalogueTest::loadingState()
{
    TestPlatform platform;
    auto screen = makeScreen(platform, true);
    FakeWebView *page = platform.lastWebView();
    QWidget *root = screen.get();

    page->navigate(screen->initialURL());
    QVERIFY(screen->loadingOverlay()->isVisibleTo(root));
    QVERIFY(screen->activityIndicator()->isAnimating());
    page->finishLoad(QStringLiteral("Музыка"));
    QVERIFY(!screen->loadingOverlay()->isVisibleTo(root));
    QVERIFY(!screen->activityIndicator()->isVisibleTo(root));
    QCOMPARE(screen->webViewNavigationItem()->title(), QStringLiteral("Музыка"));
    QCOMPARE(screen->webViewNavigationItem()->leftBarButtonItem()->title(),
             QStringLiteral("Настройки"));

    // A failed load ends the loading state and runs the title check; the
    // title stays that of the page shown.
    page->navigate(QUrl(QStringLiteral("https://example.org/missing")));
    QVERIFY(screen->loadingOverlay()->isVisibleTo(root));
    page->setDocumentTitle(QString());
    page->failLoad(QStringLiteral("Host not found"));
    QVERIFY(!screen->loadingOverlay()->isVisibleTo(root));
    QVERIFY(!screen->activityIndicator()->isAnimating());
    QCOMPARE(screen->webViewNavigationItem()->title(), QStringLiteral("Музыка"));
    QCOMPARE(screen->webViewNavigationItem()->leftBarButtonItem()->title(), QStringLiteral("Назад"));
    QCOMPARE(platform.alerts.count(), 0);
}

void CatalogueTest::rendererCrash()
{
    TestPlatform platform;
    auto screen = makeScreen(platform, true);
    FakeWebView *page = platform.lastWebView();
    QWidget *root = screen.get();
    LogCapture log;

    // A crash during a load ends the loading state and loads the start page.
    page->navigate(QUrl(QStringLiteral("https://example.org/next")));
    page->delegate()->webViewWebContentProcessDidTerminate(page);
    QVERIFY(!screen->loadingOverlay()->isVisibleTo(root));
    QVERIFY(!screen->activityIndicator()->isAnimating());
    QCOMPARE(page->loadRequests().size(), 2);
    QCOMPARE(page->loadRequests().last(), screen->initialURL());

    // Again within 10 s: no new load, a plain-text notice; a click on it
    // loads the start page.
    page->delegate()->webViewWebContentProcessDidTerminate(page);
    QCOMPARE(page->loadRequests().size(), 2);
    QVERIFY(screen->rendererNotice()->isVisibleTo(root));
    QCOMPARE(log.lines().size(), 2);
    QTest::mouseClick(screen->rendererNotice(), Qt::LeftButton);
    QCOMPARE(page->loadRequests().size(), 3);
    QVERIFY(!screen->rendererNotice()->isVisibleTo(root));
}

void CatalogueTest::alertsOneAtATime()
{
    TestPlatform platform;
    auto screen = makeScreen(platform, true);
    FakeWebView *page = platform.lastWebView();
    LogCapture log;
    const auto alertLink = [page](const char *name) {
        page->navigate(QUrl(QStringLiteral("kavu://alert?name=%1&text=t").arg(QLatin1String(name))));
    };

    // While a page's alert is open, further alert links are dropped, with
    // one log line for the first.
    for (const char *name : {"first", "second", "third"})
        alertLink(name);
    QCOMPARE(platform.alerts.count(), 1);
    QCOMPARE(platform.alerts.last()->title(), QStringLiteral("first"));
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Alert link dropped: the page's previous alert is still open")});
    platform.alerts.last()->dismissWithClickedButtonIndex(0);
    alertLink("fourth");
    QCOMPARE(platform.alerts.count(), 2);

    // The app's own alert with the same title and message shows once while
    // it is open; another one shows beside it.
    QVERIFY(platform.alerts.show(new AlertView("Ошибка", "m", nullptr, "ОК")));
    QVERIFY(!platform.alerts.show(new AlertView("Ошибка", "m", nullptr, "ОК")));
    QVERIFY(platform.alerts.show(new AlertView("Ошибка", "other", nullptr, "ОК")));
    QCOMPARE(platform.alerts.count(), 4);
}

void CatalogueTest::backButton_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("playing");
    QTest::newRow("with history") << 2 << false;
    QTest::newRow("without history") << 1 << false;
    QTest::newRow("while a track plays") << 2 << true;
    QTest::newRow("while a track plays, without history") << 1 << true;
}

void CatalogueTest::backButton()
{
    QFETCH(int, pages);
    QFETCH(bool, playing);
    TestPlatform platform;
    auto screen = makeServedScreen(platform, true);
    FakeWebView *page = platform.lastWebView();
    for (int i = 0; i < pages; ++i)
        page->navigate(QUrl(QStringLiteral("https://example.org/%1").arg(i)));
    screen->setRadioMode(true);
    if (playing)
        screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    screen->backgroundImageView()->setImage(QImage(4, 4, QImage::Format_RGB32));

    screen->backButtonTapped();
    QCOMPARE(screen->player(), nullptr);
    if (playing) {
        // Playback ends: paused, back at the start, its item detached.
        QCOMPARE(platform.streamingPlayers.log,
                 (QStringList{QStringLiteral("play"), QStringLiteral("pause"), QStringLiteral("seek 0"),
                              QStringLiteral("detach")}));
        // The desktop no longer shows a track.
        QCOMPARE(platform.nowPlaying.current(), std::nullopt);
    }
    QVERIFY(!screen->radioMode());
    QVERIFY(!screen->playerView()->isVisibleTo(screen.get()));
    QVERIFY(screen->timeSlider()->isHidden());
    QVERIFY(!screen->backgroundImageView()->hasImage());
    QCOMPARE(page->goBackCount(), 1);
    QCOMPARE(page->history().size(), 1);
}

void CatalogueTest::radioTwice()
{
    TestPlatform platform;
    auto screen = makeServedScreen(platform, true);
    screen->radioButtonTapped();
    screen->radioButtonTapped();
    QVERIFY(screen->radioMode());
    QCOMPARE(screen->currentSongID(), std::nullopt);
    QTRY_COMPARE(m_server.requestTargets(),
                 QStringList(2, QStringLiteral("/kavu/API/get-info-random-songs.php")));
}

QTEST_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
