#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"
#include "catalogue/SecondViewController.h"
#include "player/PlayerLayout.h"
#include "player/TrackInfoReply.h"

#include <QTcpServer>
#include <QTest>

#include <memory>

class PlayerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void requestAddresses_data();
    void requestAddresses();
    void replies_data();
    void replies();
    void validReplyStartsTheTrack();
    void connectionError();
    void staleRepliesAreDropped_data();
    void staleRepliesAreDropped();

private:
    std::unique_ptr<SecondViewController> makeScreen(TestPlatform &platform,
                                                     const QString &siteSuffix = QStringLiteral("/kavu"));
    QString origin() const { return m_server.origin(); }

    LocalHttpServer m_server;
    QByteArray m_body;
};

void PlayerTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setHandler([this](const HttpRequest &request) {
        if (request.path().endsWith(QLatin1String(".png")))
            return HttpReply::text("not a picture", 404);
        HttpReply reply = HttpReply::text(m_body);
        if (request.query().contains(QLatin1String("slow")))
            reply.delayMs = 300;
        return reply;
    });
}

void PlayerTest::init()
{
    m_server.clearRequests();
    m_body.clear();
}

std::unique_ptr<SecondViewController> PlayerTest::makeScreen(TestPlatform &platform,
                                                             const QString &siteSuffix)
{
    platform.userDefaults->setString(QStringLiteral("customURL"), origin() + siteSuffix);
    auto screen = std::make_unique<SecondViewController>(platform.services);
    screen->resize(320, 480);
    screen->loadViewIfNeeded();
    return screen;
}

void PlayerTest::requestAddresses_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<std::optional<QString>>("id");
    QTest::addColumn<bool>("radio");
    QTest::addColumn<QString>("target");

    const auto id = [](const QString &text) { return std::optional<QString>(text); };
    QTest::newRow("by identifier") << "/kavu" << id("42") << false
                                   << "/kavu/API/get-info-songs.php?id=42";
    QTest::newRow("random") << "/kavu" << std::optional<QString>() << true
                            << "/kavu/API/get-info-random-songs.php";
    QTest::newRow("radio ignores the identifier") << "/kavu" << id("42") << true
                                                  << "/kavu/API/get-info-random-songs.php";
    QTest::newRow("absent identifier") << "/kavu" << std::optional<QString>() << false
                                       << "/kavu/API/get-info-songs.php?id=(null)";
    QTest::newRow("custom address with slash") << "/other/" << id("1") << false
                                               << "/other/API/get-info-songs.php?id=1";
    QTest::newRow("custom address with two slashes") << "/other//" << id("1") << false
                                                     << "/other//API/get-info-songs.php?id=1";
    QTest::newRow("encoded identifier") << "/kavu" << id("1&x=2#f \n") << false
                                        << "/kavu/API/get-info-songs.php?id=1%26x%3D2%23f%20%0A";
}

void PlayerTest::requestAddresses()
{
    QFETCH(QString, site);
    QFETCH(std::optional<QString>, id);
    QFETCH(bool, radio);
    QFETCH(QString, target);

    TestPlatform platform;
    auto screen = makeScreen(platform, site);
    screen->fetchDataFromServerWithID(id, radio);
    QCOMPARE(screen->currentSongID(), id);
    QVERIFY(screen->activityIndicator()->isAnimating());
    QTRY_COMPARE(m_server.requestTargets(), QStringList{target});
    // The radio flag of the call alone chooses the request.
    QCOMPARE(screen->radioMode(), false);
}

void PlayerTest::replies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("log");    // after "Ответ сервера: ..."
    QTest::addColumn<QString>("alert");      // message of the "Ошибка" alert, empty for none
    QTest::addColumn<std::optional<QString>>("next");

    const QStringList badFormat{QStringLiteral("Неверный формат данных")};
    const QString badFormatAlert = QStringLiteral("Неверный формат данных");
    const std::optional<QString> unchanged(QStringLiteral("old"));
    const QByteArray urls = "{o}/a.wav,{o}/i.png,";

    QTest::newRow("four pieces") << urls + "Song,next:42" << badFormat << badFormatAlert << unchanged;
    QTest::newRow("six pieces") << urls + "So,ng,Artist,next:42" << badFormat << badFormatAlert
                                << unchanged;
    QTest::newRow("empty body") << QByteArray() << badFormat << badFormatAlert << unchanged;
    QTest::newRow("invalid UTF-8") << urls + "Song\xff,Artist,next:42" << badFormat
                                   << badFormatAlert << unchanged;
    QTest::newRow("past the size limit")
        << urls + "Song,Artist,next:" + QByteArray(64 * 1024, '7') << badFormat << badFormatAlert
        << unchanged;
    QTest::newRow("no colon") << urls + "Song,Artist,next 42" << QStringList{} << QString() << unchanged;
    QTest::newRow("two colons") << urls + "Song,Artist,next:4:2" << QStringList{} << QString()
                                << unchanged;
    QTest::newRow("spaces and tabs trimmed")
        << urls + "Song,Artist,next: \t42\t " << QStringList{"ID следующей песни: 42"} << QString()
        << std::optional<QString>("42");
    QTest::newRow("trailing colon")
        << urls + "Song,Artist,next:" << QStringList{"ID следующей песни: "} << QString()
        << std::optional<QString>("");
    QTest::newRow("trailing line break kept")
        << urls + "Song,Artist,next:42\n" << QStringList{"ID следующей песни: 42\n"} << QString()
        << std::optional<QString>("42\n");
    QTest::newRow("audio address with a leading space")
        << QByteArray(" {o}/a.wav,{o}/i.png,Song,Artist,next:9")
        << QStringList{"ID следующей песни: 9", "Неверный формат URL"} << badFormatAlert
        << std::optional<QString>("9");
    QTest::newRow("icon address not a URL")
        << QByteArray("{o}/a.wav,not a url,Song,Artist,next:9")
        << QStringList{"ID следующей песни: 9", "Неверный формат URL"} << badFormatAlert
        << std::optional<QString>("9");
    QTest::newRow("audio address on the local disk")
        << QByteArray("file:///etc/passwd,{o}/i.png,Song,Artist,next:9")
        << QStringList{"ID следующей песни: 9", "Неверный формат URL"} << badFormatAlert
        << std::optional<QString>("9");
}

void PlayerTest::replies()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, log);
    QFETCH(QString, alert);
    QFETCH(std::optional<QString>, next);

    m_body = QByteArray(body).replace("{o}", origin().toUtf8());
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->setNextSongID(QStringLiteral("old"));
    screen->songNameLabel()->setText(QStringLiteral("Previous song"));

    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("5"), false);
    QTRY_VERIFY(capture.lines().size() >= 1 + log.size());
    QTest::qWait(50);

    const std::optional<QString> text = body.size() > 64 * 1024 || body.contains('\xff')
        ? std::optional<QString>()
        : std::optional<QString>(QString::fromUtf8(m_body));
    QStringList expected{QStringLiteral("Ответ сервера: ") + text.value_or(QStringLiteral("(null)"))};
    expected += log;
    if (alert.isEmpty()) {
        // A valid reply: the rest of the log names the track.
        QCOMPARE(capture.lines().mid(0, expected.size()), expected);
        QCOMPARE(platform.alerts.count(), 0);
        QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Song"));
    } else {
        QCOMPARE(capture.lines(), expected);
        QCOMPARE(platform.alerts.count(), 1);
        QCOMPARE(platform.alerts.last()->title(), QStringLiteral("Ошибка"));
        QCOMPARE(platform.alerts.last()->message(), alert);
        QCOMPARE(platform.alerts.last()->buttonTitles(), QStringList{QStringLiteral("ОК")});
        QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Previous song"));
        QVERIFY(screen->playerView()->isHidden());
    }
    QCOMPARE(screen->nextSongID(), next);
    QVERIFY(!screen->activityIndicator()->isAnimating());
}

void PlayerTest::validReplyStartsTheTrack()
{
    m_body = QStringLiteral("%1/a.wav,%1/i.png,Белые <b>ночи</b>,Оркестр,next:2")
                 .arg(origin())
                 .toUtf8();
    TestPlatform platform;
    auto screen = makeScreen(platform);
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_COMPARE(capture.lines().size(), 6);
    QCOMPARE(capture.lines(),
             (QStringList{QStringLiteral("Ответ сервера: ") + QString::fromUtf8(m_body),
                          QStringLiteral("ID следующей песни: 2"),
                          QStringLiteral("Audio URL: ") + origin() + QStringLiteral("/a.wav"),
                          QStringLiteral("Icon URL: ") + origin() + QStringLiteral("/i.png"),
                          QStringLiteral("Song Name: Белые <b>ночи</b>"),
                          QStringLiteral("Artist Name: Оркестр")}));
    QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Белые <b>ночи</b>"));
    QCOMPARE(screen->songNameLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(screen->artistNameLabel()->text(), QStringLiteral("Оркестр"));
    QVERIFY(screen->playerView()->isVisibleTo(screen.get()));
    QVERIFY(screen->timeSlider()->isVisibleTo(screen.get()));
    QVERIFY(screen->playerNavigationBar()->isVisibleTo(screen.get()));
    NavigationItem *bar = screen->playerNavigationBar()->topItem();
    QCOMPARE(bar->title(), QStringLiteral("Белые <b>ночи</b>"));
    QCOMPARE(bar->leftBarButtonItem()->title(), QStringLiteral("Назад"));
    QCOMPARE(bar->rightBarButtonItem()->title(), QStringLiteral("Инфо"));
    QVERIFY(!screen->activityIndicator()->isAnimating());
    // The picture is asked for.
    QTRY_VERIFY(m_server.requestTargets().contains(QStringLiteral("/i.png")));
}

void PlayerTest::connectionError()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString closed = QStringLiteral("http://127.0.0.1:%1/kavu").arg(probe.serverPort());
    probe.close();

    TestPlatform platform;
    auto screen = makeScreen(platform);
    platform.userDefaults->setString(QStringLiteral("customURL"), closed);
    screen->setNextSongID(QStringLiteral("old"));
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_COMPARE(capture.lines().size(), 1);
    QVERIFY(capture.lines().at(0).startsWith(QStringLiteral("Ошибка подключения: ")));
    QVERIFY(capture.lines().at(0).size() > QStringLiteral("Ошибка подключения: ").size());
    QCOMPARE(platform.alerts.count(), 1);
    QCOMPARE(platform.alerts.last()->message(), QStringLiteral("Не удалось подключиться к серверу."));
    QCOMPARE(screen->nextSongID(), std::optional<QString>(QStringLiteral("old")));
    QVERIFY(!screen->activityIndicator()->isAnimating());
}

void PlayerTest::staleRepliesAreDropped_data()
{
    QTest::addColumn<QString>("then");
    QTest::newRow("newer request") << "fetch";
    QTest::newRow("page back") << "page back";
    QTest::newRow("player back") << "player back";
}

void PlayerTest::staleRepliesAreDropped()
{
    QFETCH(QString, then);
    m_body = QStringLiteral("%1/a.wav,%1/i.png,Song,Artist,next:2").arg(origin()).toUtf8();
    TestPlatform platform;
    auto screen = makeScreen(platform);
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("slow"), false);
    if (then == QLatin1String("fetch"))
        screen->fetchDataFromServerWithID(QStringLiteral("3"), false);
    else if (then == QLatin1String("page back"))
        screen->backButtonTapped();
    else
        screen->playerBackButtonTapped();
    QTRY_VERIFY_WITH_TIMEOUT(capture.lines().contains(QStringLiteral("Ответ на устаревший запрос пропущен")),
                             3000);
    if (then == QLatin1String("fetch")) {
        // Only the newer reply was applied.
        QCOMPARE(capture.lines().count(QStringLiteral("Song Name: Song")), 1);
        QCOMPARE(capture.lines().last(), QStringLiteral("Ответ на устаревший запрос пропущен"));
    } else {
        QCOMPARE(capture.lines(), QStringList{QStringLiteral("Ответ на устаревший запрос пропущен")});
        QVERIFY(screen->songNameLabel()->text().isEmpty());
        QVERIFY(screen->playerView()->isHidden());
        QCOMPARE(screen->nextSongID(), std::nullopt);
    }
    QCOMPARE(platform.alerts.count(), 0);
}

QTEST_MAIN(PlayerTest)
#include "tst_player.moc"
