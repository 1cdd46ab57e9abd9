#include "TestPlatform.h"
#include "app/Endpoints.h"
#include "catalogue/AlbunsViewController.h"
#include "catalogue/SecondViewController.h"
#include "catalogue/SiteAddress.h"
#include "platform/Geometry.h"

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
    void siteAddress_data();
    void siteAddress();
    void startPages_data();
    void startPages();
    void settingsDialogPrefill_data();
    void settingsDialogPrefill();
    void settingsDialogResult_data();
    void settingsDialogResult();
    void loadStepLayout_data();
    void loadStepLayout();
    void onlyWebViewFollowsSizeChanges();
};

void CatalogueTest::siteAddress_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("base");

    const QString fallback = QStringLiteral("https://catalogue.test/kavu");
    QTest::newRow("nothing stored") << std::optional<QString>() << fallback + "/" << fallback;
    QTest::newRow("without trailing slash")
        << std::optional<QString>(QStringLiteral("https://my.site/x"))
        << QStringLiteral("https://my.site/x/") << QStringLiteral("https://my.site/x");
    QTest::newRow("with trailing slash")
        << std::optional<QString>(QStringLiteral("https://my.site/x/"))
        << QStringLiteral("https://my.site/x/") << QStringLiteral("https://my.site/x/");
    QTest::newRow("double slash kept")
        << std::optional<QString>(QStringLiteral("https://my.site/x//"))
        << QStringLiteral("https://my.site/x//") << QStringLiteral("https://my.site/x//");
    QTest::newRow("empty string") << std::optional<QString>(QString(""))
                                  << QStringLiteral("/") << QString("");
    QTest::newRow("white space kept") << std::optional<QString>(QStringLiteral("  "))
                                      << QStringLiteral("  /") << QStringLiteral("  ");
    QTest::newRow("case kept") << std::optional<QString>(QStringLiteral("HTTPS://My.Site"))
                               << QStringLiteral("HTTPS://My.Site/")
                               << QStringLiteral("HTTPS://My.Site");
}

void CatalogueTest::siteAddress()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, site);
    QFETCH(QString, base);
    const QString fallback = QStringLiteral("https://catalogue.test/kavu");
    QCOMPARE(SiteAddress::resolve(stored, fallback), site);
    QCOMPARE(SiteAddress::base(stored, fallback), base);

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
        UserDefaults reread(platform.userDefaults->filePath());
        QCOMPARE(reread.stringForKey(QStringLiteral("customURL")), storedAfter);
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
                               screen->playerNavigationBar()}));

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

void CatalogueTest::onlyWebViewFollowsSizeChanges()
{
    TestPlatform platform;
    QWidget window;
    auto *screen = new SecondViewController(platform.services, &window);
    screen->resize(320, 568);
    screen->loadViewIfNeeded();
    window.show();

    screen->resize(480, 700);
    QCOMPARE(screen->webView()->geometry(), QRect(0, 44, 480, 656));
    QCOMPARE(screen->navigationBar()->geometry(), QRect(0, 0, 320, 44));
    QCOMPARE(screen->loadingOverlay()->geometry(), QRect(0, 0, 320, 568));
    QCOMPARE(screen->playerView()->geometry(), QRect(0, 0, 320, 568));
    QCOMPARE(screen->timeSlider()->geometry(), QRect(20, 468, 280, 20));
}

QTEST_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
