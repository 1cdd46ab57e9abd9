#include "AccessibleText.h"
#include "LocalHttpServer.h"
#include "TestPlatform.h"
#include "feeds/AccountViewController.h"
#include "feeds/FirstViewController.h"
#include "platform/ui/Autoresizing.h"

#include <QTest>
#include <QTextBlock>

#include <memory>

class FeedsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void feedTexts_data();
    void feedTexts();
    void eachResponseStartsTheBodyAfresh();
    void refusedConnection();
    void developersAddress_data();
    void developersAddress();
    void newsAddressIgnoresTheStoredAddress();
    void textViewFramesAndResizing();

private:
    template<typename Screen>
    std::unique_ptr<Screen> makeScreen(TestPlatform &platform, QWidget *parent = nullptr);

    LocalHttpServer m_server;
};

void FeedsTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.route(QStringLiteral("/empty"), HttpReply::text(""));
    m_server.route(QStringLiteral("/invalid"), HttpReply::text("bad \xc3\x28 bytes"));
    m_server.route(QStringLiteral("/status"), HttpReply::text("Not here", 404));
    HttpReply moved = HttpReply::text("moved body", 302);
    moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/final")));
    m_server.route(QStringLiteral("/moved"), moved);
    m_server.route(QStringLiteral("/final"), HttpReply::text("final body"));
    m_server.route(QStringLiteral("/markup"), HttpReply::text("<b>bold</b> <a href=\"x\">link</a>"));
    m_server.route(QStringLiteral("/huge"), HttpReply::text(QByteArray(1024 * 1024 + 1, 'a')));
    m_server.route(QStringLiteral("/limit"), HttpReply::text(QByteArray(1024 * 1024, 'a')));
}

void FeedsTest::init()
{
    m_server.clearRequests();
    m_server.route(QStringLiteral("/API/lastnews.php"), HttpReply::text("first line\nsecond line\n"));
}

template<typename Screen>
std::unique_ptr<Screen> FeedsTest::makeScreen(TestPlatform &platform, QWidget *parent)
{
    auto screen = std::make_unique<Screen>(platform.services, parent);
    screen->resize(320, 568);
    screen->loadViewIfNeeded();
    return screen;
}

void FeedsTest::feedTexts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");

    QTest::newRow("lines") << "" << "first line\nsecond line\n";
    QTest::newRow("empty body") << "/empty" << "";
    QTest::newRow("invalid UTF-8") << "/invalid" << "Failed to decode data.";
    QTest::newRow("error status with a body") << "/status" << "Not here";
    QTest::newRow("body after a redirect") << "/moved" << "final body";
    QTest::newRow("markup shown as text") << "/markup" << "<b>bold</b> <a href=\"x\">link</a>";
    QTest::newRow("at the limit") << "/limit" << QString(1024 * 1024, QLatin1Char('a'));
    QTest::newRow("past the limit") << "/huge" << "Error: The response is too large.";
}

void FeedsTest::feedTexts()
{
    QFETCH(QString, path);
    QFETCH(QString, text);

    // The news feed's host is the test server; a path of its own stands for
    // the feed when one is given.
    TestPlatform platform;
    platform.services.bundle.serviceHostOrigin = m_server.origin();
    if (!path.isEmpty()) {
        HttpReply redirect = HttpReply::text("", 302);
        redirect.headers.append(qMakePair(QByteArray("Location"), path.toUtf8()));
        m_server.route(QStringLiteral("/API/lastnews.php"), redirect);
    }

    auto screen = makeScreen<FirstViewController>(platform);
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requests().size() >= 1 && screen->textView()->text() == text, 5000);
    QTest::qWait(50);
    QCOMPARE(screen->textView()->text(), text);
    QCOMPARE(platform.alerts.count(), 0);
    if (path.isEmpty()) {
        // Each line is its own centred paragraph.
        QTextDocument *document = screen->textView()->document();
        QCOMPARE(document->blockCount(), 3);
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            QCOMPARE(block.blockFormat().alignment(), Qt::AlignHCenter);
    }
}

void FeedsTest::eachResponseStartsTheBodyAfresh()
{
    TestPlatform platform;
    platform.services.bundle.serviceHostOrigin = m_server.origin();
    auto screen = makeScreen<FirstViewController>(platform);
    QTRY_COMPARE(screen->textView()->text(), QStringLiteral("first line\nsecond line\n"));
    // The connection reports a second response: only the body after it shows.
    screen->connectionDidReceiveResponse(nullptr, 302);
    screen->connectionDidReceiveData(nullptr, "moved body");
    screen->connectionDidReceiveResponse(nullptr, 200);
    screen->connectionDidReceiveData(nullptr, "final ");
    screen->connectionDidReceiveData(nullptr, "body");
    screen->connectionDidFinishLoading(nullptr);
    QCOMPARE(screen->textView()->text(), QStringLiteral("final body"));
    // A screen reader reads the text itself, not only that there is one.
    QVERIFY2(accessibleText(screen->textView()).contains(QLatin1String("final body")),
             qPrintable(accessibleText(screen->textView())));
}

void FeedsTest::refusedConnection()
{
    const QString closed = LocalHttpServer::closedOrigin();

    TestPlatform platform;
    platform.services.bundle.serviceHostOrigin = closed;
    auto screen = makeScreen<FirstViewController>(platform);
    QTRY_VERIFY(screen->textView()->text().startsWith(QStringLiteral("Error: ")));
    QVERIFY(screen->textView()->text().size() > QStringLiteral("Error: ").size());
}

void FeedsTest::developersAddress_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("target");
    QTest::newRow("nothing stored") << std::optional<QString>() << "/kavu/API/developers.php";
    QTest::newRow("custom address") << std::optional<QString>(QStringLiteral("{o}/other"))
                                    << "/other/API/developers.php";
    QTest::newRow("custom address with slash") << std::optional<QString>(QStringLiteral("{o}/other/"))
                                               << "/other//API/developers.php";
}

void FeedsTest::developersAddress()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, target);
    TestPlatform platform;
    platform.services.bundle.defaultSiteAddress = m_server.origin() + QStringLiteral("/kavu");
    if (stored)
        platform.userDefaults->setString(QStringLiteral("customURL"),
                                         QString(*stored).replace(QStringLiteral("{o}"), m_server.origin()));
    auto screen = makeScreen<AccountViewController>(platform);
    QCOMPARE(screen->customURLKey(), QStringLiteral("customURL"));
    QTRY_COMPARE(m_server.requestTargets(), QStringList{target});
}

void FeedsTest::newsAddressIgnoresTheStoredAddress()
{
    TestPlatform platform;
    platform.services.bundle.serviceHostOrigin = m_server.origin();
    platform.userDefaults->setString(QStringLiteral("customURL"), QStringLiteral("http://elsewhere.test/x"));
    auto screen = makeScreen<FirstViewController>(platform);
    QTRY_COMPARE(m_server.requestTargets(), QStringList{QStringLiteral("/API/lastnews.php")});
}

void FeedsTest::textViewFramesAndResizing()
{
    TestPlatform platform;
    platform.services.bundle.serviceHostOrigin = m_server.origin();
    platform.services.bundle.defaultSiteAddress = m_server.origin() + QStringLiteral("/kavu");
    QWidget window;
    auto news = makeScreen<FirstViewController>(platform, &window);
    auto developers = makeScreen<AccountViewController>(platform, &window);
    window.show();
    QCOMPARE(news->textView()->geometry(), QRect(0, 50, 320, 518));
    QCOMPARE(developers->textView()->geometry(), QRect(0, 175, 320, 50));
    QVERIFY(news->textView()->isReadOnly());
    QCOMPARE(developers->textView()->textAlignment(), Qt::AlignHCenter);

    news->resize(400, 700);
    developers->resize(400, 700);
    QCOMPARE(news->textView()->geometry(), QRect(0, 50, 400, 650));
    QCOMPARE(developers->textView()->geometry(), QRect(0, 175, 400, 50));
    news.reset();
    developers.reset();
}

QTEST_MAIN(FeedsTest)
#include "tst_feeds.moc"
