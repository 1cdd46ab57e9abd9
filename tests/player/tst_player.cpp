#include "AccessibleText.h"
#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"
#include "catalogue/SecondViewController.h"
#include "platform/ui/Geometry.h"
#include "player/PlayerLayout.h"
#include "platform/ui/VolumeAndTimeControls.h"
#include "protocol/TrackInfoReply.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
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

    void audioSessionFailureIsLogged();
    void playerCreation_data();
    void playerCreation();
    void endAndForward_data();
    void endAndForward();
    void theFollowingTrackIsAskedForAhead();
    void anEarlyRequestGivesWay_data();
    void anEarlyRequestGivesWay();
    void playPauseAndRewind();
    void timeAndVolumeControls();
    void spaceAndAltLeft();
    void sliderSeeksWholeSeconds();
    void durationKnownLater();
    void failureDropsThePlayer();
    void droppedPlayersEventsDoNothing();
    void teardownRemovesTheTick();
    void playerLayout();
    void showAndHideTouchExactlyTheControls();
    void infoAlert_data();
    void infoAlert();
    void playerBackAfterFailure();
    void onlyTheLatestPictureCounts();
    void aPictureAfterBackChangesNothing();
    void nowPlayingRecord_data();
    void nowPlayingRecord();

private:
    // A track plays in radio mode, with its controls, name and player bar.
    static void playInRadioMode(SecondViewController *screen);
    std::unique_ptr<SecondViewController> makeScreen(TestPlatform &platform,
                                                     const QString &siteSuffix = QStringLiteral("/kavu"));
    QString origin() const { return m_server.origin(); }

    LocalHttpServer m_server;
    QByteArray m_body;
};

void PlayerTest::playInRadioMode(SecondViewController *screen)
{
    screen->setRadioMode(true);
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    screen->songNameLabel()->setText(QStringLiteral("Song"));
    screen->createAndShowPlayerNavigationBarWithTitle(QStringLiteral("Song"));
}

void PlayerTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setHandler([this](const HttpRequest &request) {
        if (request.path() == QLatin1String("/late.png")) {
            QByteArray png;
            QBuffer buffer(&png);
            QImage(8, 8, QImage::Format_RGB32).save(&buffer, "PNG");
            HttpReply reply = HttpReply::text(png);
            reply.contentType = "image/png";
            reply.delayMs = 300;
            return reply;
        }
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
    QTest::addColumn<bool>("playing"); // a track plays when the request goes out

    const QStringList badFormat{QStringLiteral("Неверный формат данных")};
    const QString badFormatAlert = QStringLiteral("Неверный формат данных");
    const std::optional<QString> unchanged(QStringLiteral("old"));
    const QByteArray urls = "{o}/a.wav,{o}/i.png,";

    QTest::newRow("four pieces") << urls + "Song,next:42" << badFormat << badFormatAlert << unchanged << false;
    QTest::newRow("six pieces") << urls + "So,ng,Artist,next:42" << badFormat << badFormatAlert
                                << unchanged << false;
    QTest::newRow("empty body") << QByteArray() << badFormat << badFormatAlert << unchanged << false;
    QTest::newRow("invalid UTF-8") << urls + "Song\xff,Artist,next:42" << badFormat
                                   << badFormatAlert << unchanged << false;
    QTest::newRow("past the size limit")
        << urls + "Song,Artist,next:" + QByteArray(64 * 1024, '7') << badFormat << badFormatAlert
        << unchanged << false;
    QTest::newRow("no colon") << urls + "Song,Artist,next 42" << QStringList{} << QString() << unchanged << false;
    QTest::newRow("two colons") << urls + "Song,Artist,next:4:2" << QStringList{} << QString()
                                << unchanged << false;
    QTest::newRow("spaces and tabs trimmed")
        << urls + "Song,Artist,next: \t42\t " << QStringList{"ID следующей песни: 42"} << QString()
        << std::optional<QString>("42") << false;
    QTest::newRow("trailing colon")
        << urls + "Song,Artist,next:" << QStringList{"ID следующей песни: "} << QString()
        << std::optional<QString>("") << false;
    QTest::newRow("trailing line break kept")
        << urls + "Song,Artist,next:42\n" << QStringList{"ID следующей песни: 42\n"} << QString()
        << std::optional<QString>("42\n") << false;
    QTest::newRow("audio address with a leading space")
        << QByteArray(" {o}/a.wav,{o}/i.png,Song,Artist,next:9")
        << QStringList{"ID следующей песни: 9", "Неверный формат URL"} << badFormatAlert
        << std::optional<QString>("9") << false;
    QTest::newRow("icon address not a URL")
        << QByteArray("{o}/a.wav,not a url,Song,Artist,next:9")
        << QStringList{"ID следующей песни: 9", "Неверный формат URL"} << badFormatAlert
        << std::optional<QString>("9") << false;
    QTest::newRow("audio address on the local disk")
        << QByteArray("file:///etc/passwd,{o}/i.png,Song,Artist,next:9")
        << QStringList{"ID следующей песни: 9", "Неверный формат URL"} << badFormatAlert
        << std::optional<QString>("9") << false;
    // A failed reply leaves the controls of the track that played visible.
    QTest::newRow("six pieces while a track plays")
        << urls + "So,ng,Artist,next:42" << badFormat << badFormatAlert << unchanged << true;
}

void PlayerTest::replies()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, log);
    QFETCH(QString, alert);
    QFETCH(std::optional<QString>, next);
    QFETCH(bool, playing);

    m_body = QByteArray(body).replace("{o}", origin().toUtf8());
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->setNextSongID(QStringLiteral("old"));
    screen->songNameLabel()->setText(QStringLiteral("Previous song"));
    if (playing) {
        screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
        screen->showControls();
    }

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
        QCOMPARE(screen->player(), nullptr);
        QCOMPARE(screen->playerView()->isHidden(), !playing);
        QCOMPARE(screen->timeSlider()->isHidden(), !playing);
    }
    QCOMPARE(screen->nextSongID(), next);
    QVERIFY(!screen->activityIndicator()->isAnimating());
}

void PlayerTest::validReplyStartsTheTrack()
{
    // The log shows the addresses as the reply wrote them, case and all.
    const QString audio = QStringLiteral("http://LOCALHOST:%1/a.wav").arg(m_server.port());
    const QString icon = QStringLiteral("HTTP://127.0.0.1:%1/i.png").arg(m_server.port());
    m_body = QStringLiteral("%1,%2,Белые <b>ночи</b>,Оркестр,next:2").arg(audio, icon).toUtf8();
    TestPlatform platform;
    auto screen = makeScreen(platform);
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_COMPARE(capture.lines().size(), 6);
    QCOMPARE(capture.lines(),
             (QStringList{QStringLiteral("Ответ сервера: ") + QString::fromUtf8(m_body),
                          QStringLiteral("ID следующей песни: 2"),
                          QStringLiteral("Audio URL: ") + audio, QStringLiteral("Icon URL: ") + icon,
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
    const QString closed = LocalHttpServer::closedOrigin() + QStringLiteral("/kavu");

    TestPlatform platform;
    platform.userDefaults->setString(QStringLiteral("customURL"), closed);
    auto screen = std::make_unique<SecondViewController>(platform.services);
    screen->resize(320, 480);
    screen->loadViewIfNeeded();
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
    QTest::addColumn<bool>("pageLoading"); // a page load is under way throughout
    QTest::newRow("newer request") << "fetch" << false;
    QTest::newRow("page back") << "page back" << false;
    QTest::newRow("player back") << "player back" << false;
    QTest::newRow("player back while a page loads") << "player back" << true;
}

void PlayerTest::staleRepliesAreDropped()
{
    QFETCH(QString, then);
    QFETCH(bool, pageLoading);
    m_body = QStringLiteral("%1/a.wav,%1/i.png,Song,Artist,next:2").arg(origin()).toUtf8();
    TestPlatform platform;
    auto screen = makeScreen(platform);
    if (pageLoading)
        platform.lastWebView()->navigate(screen->initialURL());
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("slow"), false);
    if (then == QLatin1String("fetch"))
        screen->fetchDataFromServerWithID(QStringLiteral("3"), false);
    else if (then == QLatin1String("page back"))
        screen->backButtonTapped();
    else
        screen->playerBackButtonTapped();
    // A request made stale by a back action no longer owns the indicator;
    // a page that loads still does.
    if (then != QLatin1String("fetch"))
        QCOMPARE(screen->activityIndicator()->isAnimating(), pageLoading);
    QTRY_VERIFY_WITH_TIMEOUT(capture.lines().contains(QStringLiteral("Ответ на устаревший запрос пропущен")),
                             3000);
    QCOMPARE(screen->activityIndicator()->isAnimating(), pageLoading);
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

void PlayerTest::audioSessionFailureIsLogged()
{
    TestPlatform platform;
    platform.audioSession.error = QStringLiteral("denied");
    LogCapture capture;
    auto screen = makeScreen(platform);
    QCOMPARE(platform.audioSession.requests, 1);
    QCOMPARE(capture.lines(), QStringList{QStringLiteral("Ошибка настройки AVAudioSession: denied")});
}

void PlayerTest::playerCreation_data()
{
    QTest::addColumn<bool>("failItem");
    QTest::addColumn<bool>("failPlayer");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("alert");
    QTest::newRow("created") << false << false << QString() << QString();
    QTest::newRow("no item") << true << false << QStringLiteral("Ошибка создания AVPlayerItem")
                             << QStringLiteral("Не удалось загрузить трек.");
    QTest::newRow("no player") << false << true << QStringLiteral("Ошибка создания AVPlayer")
                               << QStringLiteral("Не удалось создать плеер.");
}

void PlayerTest::playerCreation()
{
    QFETCH(bool, failItem);
    QFETCH(bool, failPlayer);
    QFETCH(QString, log);
    QFETCH(QString, alert);

    TestPlatform platform;
    platform.streamingPlayers.failItems = failItem;
    platform.streamingPlayers.failPlayers = failPlayer;
    auto screen = makeScreen(platform);
    LogCapture capture;
    const QUrl stream(QStringLiteral("https://media.test/a.mp3"));
    screen->createAudioPlayerWithURL(stream);
    QCOMPARE(platform.streamingPlayers.urls, QList<QUrl>{stream});
    if (alert.isEmpty()) {
        FakeStreamingPlayer *player = platform.streamingPlayers.lastPlayer();
        QCOMPARE(screen->player(), player);
        QCOMPARE(player->calls, QStringList{QStringLiteral("play")});
        QCOMPARE(player->observerCount(), 1);
        QCOMPARE(screen->timeObserver(), std::optional<int>(1));
        QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Pause.png"));
        QCOMPARE(screen->playPauseButton()->accessibleName(), QStringLiteral("Pause"));
        for (QWidget *view : {static_cast<QWidget *>(screen->songNameLabel()),
                              static_cast<QWidget *>(screen->artistNameLabel()), screen->overlayView(),
                              screen->playerView()})
            QVERIFY(!view->isHidden());
        // The slider and the buttons wait for showControls.
        QVERIFY(screen->timeSlider()->isHidden());
        QVERIFY(platform.nowPlaying.current().has_value());
        QVERIFY(capture.lines().isEmpty());
        QCOMPARE(platform.alerts.count(), 0);
    } else {
        QCOMPARE(screen->player(), nullptr);
        QCOMPARE(capture.lines(), QStringList{log});
        QCOMPARE(platform.alerts.last()->message(), alert);
        QCOMPARE(platform.streamingPlayers.livePlayers(), 0);
        QVERIFY(screen->playerView()->isHidden());
    }
}

void PlayerTest::endAndForward_data()
{
    QTest::addColumn<bool>("radio");
    QTest::addColumn<std::optional<QString>>("next");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("target"); // empty: no request

    const std::optional<QString> none;
    const std::optional<QString> fortyTwo(QStringLiteral("42"));
    const QString random = QStringLiteral("/kavu/API/get-info-random-songs.php");
    QTest::newRow("radio, end") << true << fortyTwo << "end" << random;
    QTest::newRow("radio, forward") << true << fortyTwo << "forward" << random;
    QTest::newRow("next, end") << false << fortyTwo << "end" << "/kavu/API/get-info-songs.php?id=42";
    QTest::newRow("next, forward") << false << fortyTwo << "forward"
                                   << "/kavu/API/get-info-songs.php?id=42";
    QTest::newRow("empty next, end") << false << std::optional<QString>(QString("")) << "end"
                                     << "/kavu/API/get-info-songs.php?id=";
    QTest::newRow("no next, end") << false << none << "end" << QString();
    QTest::newRow("no next, forward") << false << none << "forward"
                                      << "/kavu/API/get-info-songs.php?id=(null)";
}

void PlayerTest::endAndForward()
{
    QFETCH(bool, radio);
    QFETCH(std::optional<QString>, next);
    QFETCH(QString, event);
    QFETCH(QString, target);

    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->setRadioMode(radio);
    screen->setNextSongID(next);
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    FakeStreamingPlayer *player = platform.streamingPlayers.lastPlayer();
    if (event == QLatin1String("end"))
        platform.streamingPlayers.lastItem()->finish();
    else
        screen->forwardButton()->click();

    if (target.isEmpty()) {
        // Finished: the player stays at the end with the pause picture.
        QTest::qWait(100);
        QVERIFY(m_server.requests().isEmpty());
        QCOMPARE(screen->player(), player);
        QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Pause.png"));
        QVERIFY(!screen->playerView()->isHidden());
    } else {
        QTRY_COMPARE(m_server.requestTargets(), QStringList{target});
        // The request dropped the player first.
        QCOMPARE(screen->player(), nullptr);
        QCOMPARE(platform.streamingPlayers.log.mid(1, 3),
                 (QStringList{QStringLiteral("pause"), QStringLiteral("seek 0"), QStringLiteral("detach")}));
    }
    QCOMPARE(screen->radioMode(), radio);
}

void PlayerTest::theFollowingTrackIsAskedForAhead()
{
    // Some seconds before the end the next track is asked for, quietly; the
    // player follows the current track with its stream. At the hand-over
    // the reply is applied as if it came then, on the item that plays on,
    // and nothing more is asked for.
    const QString audio = origin() + QStringLiteral("/b.wav");
    m_body = QStringLiteral("%1,%2/b.png,Second,Artist,next:3").arg(audio, origin()).toUtf8();
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->setNextSongID(QStringLiteral("2"));
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    FakeStreamingPlayer *first = platform.streamingPlayers.lastPlayer();
    LogCapture capture;
    platform.streamingPlayers.lastItem()->nearEnd();
    QTRY_VERIFY(first->nextItem());
    StreamingPlayerItem *following = first->nextItem();
    QCOMPARE(following->url(), QUrl(audio));
    QCOMPARE(m_server.requestTargets(), QStringList{QStringLiteral("/kavu/API/get-info-songs.php?id=2")});
    QCOMPARE(capture.lines(), QStringList());
    QVERIFY(!screen->activityIndicator()->isAnimating());

    platform.streamingPlayers.items.first()->finish();
    QCOMPARE(screen->player()->currentItem(), following);
    QCOMPARE(capture.lines().size(), 6);
    QCOMPARE(capture.lines().first(), QStringLiteral("Ответ сервера: ") + QString::fromUtf8(m_body));
    QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Second"));
    QCOMPARE(screen->currentSongID(), std::optional<QString>(QStringLiteral("2")));
    QCOMPARE(screen->nextSongID(), std::optional<QString>(QStringLiteral("3")));
    QTest::qWait(100);
    QCOMPARE(m_server.requestTargets().filter(QStringLiteral("API")).size(), 1);

    // While the stream waits for its data, the indicator turns.
    auto *item = qobject_cast<FakeStreamingPlayerItem *>(following);
    item->setWaitingForData(true);
    QVERIFY(screen->activityIndicator()->isAnimating());
    item->setWaitingForData(false);
    QVERIFY(!screen->activityIndicator()->isAnimating());
}

void PlayerTest::anEarlyRequestGivesWay_data()
{
    QTest::addColumn<QString>("event");
    // A reply that would fail says nothing ahead: the end asks again, and
    // fails as it always did.
    QTest::newRow("failed reply") << "none";
    // Pausing or seeking near the end keeps what was asked for: brought
    // back near the end, the track asks for nothing more.
    QTest::newRow("pause") << "pause";
    QTest::newRow("seek") << "seek";
    // A following stream that fails goes quietly; the end makes it anew
    // from the reply kept, as a tap would.
    QTest::newRow("failed stream") << "fail";
}

void PlayerTest::anEarlyRequestGivesWay()
{
    QFETCH(QString, event);
    const bool failedReply = event == QLatin1String("none");
    m_body = failedReply ? QByteArray("bad") : QByteArray("http://a/b.wav,http://a/c.png,S,A,n:3");
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->setNextSongID(QStringLiteral("2slow"));
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    FakeStreamingPlayer *first = platform.streamingPlayers.lastPlayer();
    FakeStreamingPlayerItem *current = platform.streamingPlayers.lastItem();
    LogCapture capture;
    current->nearEnd();
    if (event == QLatin1String("pause"))
        screen->playPauseButton()->click();
    else if (event == QLatin1String("seek"))
        screen->rewindButton()->click();
    QTRY_COMPARE(m_server.requests().size(), 1);
    QTest::qWait(500);
    QCOMPARE(first->nextItem() != nullptr, !failedReply);
    if (event == QLatin1String("fail")) {
        platform.streamingPlayers.lastItem()->fail(QStringLiteral("404"));
        QTRY_VERIFY(!first->nextItem());
    }
    if (!failedReply) {
        current->nearEnd();
        QTest::qWait(100);
        QCOMPARE(m_server.requests().size(), 1);
    }
    QCOMPARE(capture.lines(), QStringList());
    QCOMPARE(platform.alerts.count(), 0);

    const int itemsBefore = platform.streamingPlayers.items.size();
    current->finish();
    if (failedReply) {
        QTRY_COMPARE(m_server.requests().size(), 2);
        QCOMPARE(m_server.requestTargets().last(), QStringLiteral("/kavu/API/get-info-songs.php?id=2slow"));
        QTRY_COMPARE(capture.lines(), (QStringList{QStringLiteral("Ответ сервера: bad"),
                                                   QStringLiteral("Неверный формат данных")}));
        QCOMPARE(platform.alerts.count(), 1);
        return;
    }
    QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("S"));
    QCOMPARE(screen->player()->currentItem()->url(), QUrl(QStringLiteral("http://a/b.wav")));
    // The stream asked for ahead plays on; one that failed is made anew.
    QCOMPARE(platform.streamingPlayers.items.size(), itemsBefore + (event == QLatin1String("fail") ? 1 : 0));
    QTest::qWait(100);
    QCOMPARE(m_server.requests().size(), 1);
}

void PlayerTest::timeAndVolumeControls()
{
    // The time at the slider's ends follows the tick; the keys change the
    // application's one volume while the player shows.
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    VolumeAndTimeControls *controls = screen->volumeAndTimeControls();
    QCOMPARE(controls->remainingLabel()->text(), QStringLiteral("--:--"));
    platform.streamingPlayers.lastItem()->setDuration(3725);
    platform.streamingPlayers.lastPlayer()->tick(61.5);
    QCOMPARE(controls->elapsedLabel()->text(), QStringLiteral("0:01:01"));
    QCOMPARE(controls->remainingLabel()->text(), QString(QChar(0x2212)) + QStringLiteral("1:01:04"));
    // A screen reader reads what each time is, and the time.
    QVERIFY2(accessibleText(controls->elapsedLabel()).contains(QLatin1String("Time played: 0:01:01")),
             qPrintable(accessibleText(controls->elapsedLabel())));
    QVERIFY(accessibleText(controls->remainingLabel()).contains(QStringLiteral("Time left: \u22121:01:04")));
    QVERIFY(controls->volumeSlider()->isVisibleTo(screen.get()));

    platform.audioEngine.setVolume(0.5);
    QTest::keyClick(screen.get(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(platform.audioEngine.volume(), 0.55);
    QCOMPARE(controls->volumeSlider()->value(), 0.55f);
    QTest::keyClick(screen.get(), Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(screen.get(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(platform.audioEngine.volume(), 0.45);
    QTest::keyClick(screen.get(), Qt::Key_M);
    QVERIFY(platform.audioEngine.isMuted());
    QCOMPARE(controls->muteButton()->accessibleName(), QStringLiteral("Unmute"));
    controls->muteButton()->click();
    QVERIFY(!platform.audioEngine.isMuted());
}

void PlayerTest::playPauseAndRewind()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    // Without a player the button only changes its picture.
    screen->playPauseButton()->click();
    QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Pause.png"));
    QCOMPARE(platform.nowPlaying.current(), std::nullopt);

    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    FakeStreamingPlayer *player = platform.streamingPlayers.lastPlayer();
    player->setCurrentTime(12);
    const int records = platform.nowPlaying.records.size();

    screen->playPauseButton()->click();
    QCOMPARE(player->rate(), 0.0f);
    QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Play.png"));
    QCOMPARE(screen->playPauseButton()->accessibleName(), QStringLiteral("Play"));
    QCOMPARE(platform.nowPlaying.current()->playbackRate, 0.0f);

    // Rewind while paused: back to the start, still paused.
    screen->rewindButton()->click();
    QCOMPARE(player->currentTime(), 0.0);
    QCOMPARE(player->rate(), 0.0f);
    QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Play.png"));

    screen->playPauseButton()->click();
    QCOMPARE(player->rate(), 1.0f);
    QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Pause.png"));
    QCOMPARE(platform.nowPlaying.records.size(), records + 3);
    QCOMPARE(player->calls, (QStringList{QStringLiteral("play"), QStringLiteral("pause"),
                                         QStringLiteral("seek 0"), QStringLiteral("play")}));
}

void PlayerTest::spaceAndAltLeft()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->show();
    QVERIFY(QTest::qWaitForWindowActive(screen.get()));
    // Without a player view Space is the page's.
    QTest::keyClick(screen.get(), Qt::Key_Space);
    QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Play.png"));
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    screen->createAndShowPlayerNavigationBarWithTitle(QStringLiteral("Song"));
    QTest::keyClick(screen.get(), Qt::Key_Space);
    QCOMPARE(platform.streamingPlayers.lastPlayer()->rate(), 0.0f);
    // Alt+Left is the player's "Назад" while it shows, then the page's.
    QTest::keyClick(screen.get(), Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(screen->player(), nullptr);
    QVERIFY(screen->playerNavigationBar()->isHidden());
    QCOMPARE(platform.lastWebView()->goBackCount(), 0);
    platform.lastWebView()->finishLoad(QStringLiteral("Альбом"));
    QTest::keyClick(screen.get(), Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(platform.lastWebView()->goBackCount(), 1);
}

void PlayerTest::sliderSeeksWholeSeconds()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    screen->showControls();
    platform.streamingPlayers.lastItem()->setDuration(200);
    FakeStreamingPlayer *player = platform.streamingPlayers.lastPlayer();

    screen->timeSlider()->setValue(30.6f);
    screen->timeSliderValueChanged();
    QCOMPARE(player->calls.last(), QStringLiteral("seek 31"));
    screen->timeSlider()->setValue(30.4f);
    screen->timeSliderValueChanged();
    QCOMPARE(player->calls.last(), QStringLiteral("seek 30"));

    // A change the user makes seeks; one the tick makes does not.
    player->tick(40.25);
    QCOMPARE(screen->timeSlider()->value(), 40.25f);
    QCOMPARE(player->calls.last(), QStringLiteral("seek 30"));
    screen->timeSlider()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(player->calls.last(), QStringLiteral("seek 41"));
    QCOMPARE(platform.nowPlaying.current()->elapsedPlaybackTime, 41.0);
}

void PlayerTest::durationKnownLater()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    QCOMPARE(screen->timeSlider()->maximumValue(), 0.0f);
    platform.streamingPlayers.lastItem()->setDuration(212.5);
    QCOMPARE(screen->timeSlider()->maximumValue(), 212.5f);
    QCOMPARE(platform.nowPlaying.current()->playbackDuration, 212.5);
}

void PlayerTest::failureDropsThePlayer()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    playInRadioMode(screen.get());
    QPointer<FakeStreamingPlayer> player = platform.streamingPlayers.lastPlayer();
    const int records = platform.nowPlaying.records.size();

    LogCapture capture;
    platform.streamingPlayers.lastItem()->fail(QStringLiteral("Connection lost"));
    QCOMPARE(capture.lines(), QStringList{QStringLiteral("Ошибка воспроизведения: Connection lost")});
    QCOMPARE(platform.alerts.last()->title(), QStringLiteral("Ошибка"));
    QCOMPARE(platform.alerts.last()->message(),
             QStringLiteral("Не удалось воспроизвести трек. Проверьте подключение к интернету или "
                            "попробуйте другой трек."));
    QCOMPARE(screen->player(), nullptr);
    QVERIFY(screen->playerView()->isHidden());
    QVERIFY(screen->timeSlider()->isHidden());
    QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Song"));
    QVERIFY(screen->radioMode());
    QVERIFY(!screen->playerNavigationBar()->isHidden());
    // The record is not refreshed by a failure.
    QCOMPARE(platform.nowPlaying.records.size(), records);
    QTRY_VERIFY(player.isNull());
}

void PlayerTest::droppedPlayersEventsDoNothing()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    FakeStreamingPlayerItem *first = platform.streamingPlayers.lastItem();
    screen->fetchDataFromServerWithID(QStringLiteral("2"), false);
    QCOMPARE(screen->player(), nullptr);
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/b.mp3")));

    LogCapture capture;
    // Even raised directly, a dropped item's events reach nothing.
    Q_EMIT first->failedToPlayToEndTime(QStringLiteral("late"));
    Q_EMIT first->didPlayToEndTime();
    QCOMPARE(capture.lines(), QStringList{});
    QCOMPARE(platform.alerts.count(), 0);
    QVERIFY(screen->player());
}

void PlayerTest::teardownRemovesTheTick()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
    QPointer<FakeStreamingPlayerItem> item = platform.streamingPlayers.lastItem();
    screen.reset();
    QVERIFY(platform.streamingPlayers.log.contains(QStringLiteral("remove observer 1")));
    QCOMPARE(platform.streamingPlayers.livePlayers(), 0);
}

void PlayerTest::playerLayout()
{
    const PlayerLayout layout = PlayerLayout::forBounds(320, 480);
    QCOMPARE(layout.timeSlider, QRectF(20, 380, 280, 20));
    QCOMPARE(layout.rewindButton, QRectF(40, 330, 25, 25));
    QCOMPARE(layout.playPauseButton, QRectF(147.5, 330, 25, 25));
    QCOMPARE(layout.forwardButton, QRectF(255, 330, 25, 25));
    QCOMPARE(layout.songNameLabel, QRectF(0, 180, 320, 30));
    QCOMPARE(layout.artistNameLabel, QRectF(0, 210, 320, 30));
    QCOMPARE(layout.playerNavigationBar, QRectF(0, 0, 320, 44));

    TestPlatform platform;
    auto screen = makeScreen(platform);
    QCOMPARE(Geometry::frame(screen->playPauseButton()), layout.playPauseButton);
    QCOMPARE(Geometry::frame(screen->rewindButton()), layout.rewindButton);
    QCOMPARE(Geometry::frame(screen->forwardButton()), layout.forwardButton);
    QCOMPARE(Geometry::frame(screen->timeSlider()), layout.timeSlider);
    QCOMPARE(Geometry::frame(screen->songNameLabel()), layout.songNameLabel);
    QCOMPARE(screen->playerView()->geometry(), QRect(0, 0, 320, 480));
    QCOMPARE(screen->playPauseButton()->imageName(), QStringLiteral("AudioPlayer_Play.png"));
    QCOMPARE(screen->rewindButton()->imageName(), QStringLiteral("AudioPlayer_PreviousSong.png"));
    QCOMPARE(screen->forwardButton()->imageName(), QStringLiteral("AudioPlayer_NextSong.png"));
    QCOMPARE(screen->rewindButton()->accessibleName(), QStringLiteral("Previous"));
    QCOMPARE(screen->forwardButton()->accessibleName(), QStringLiteral("Next"));
    // Crisp pictures at 1x and 2x.
    const QIcon icon = screen->playPauseButton()->icon();
    QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(25, 25), QSize(50, 50)}));
    QCOMPARE(screen->songNameLabel()->font().pixelSize(), 18);
    QVERIFY(screen->songNameLabel()->font().bold());
    QCOMPARE(screen->songNameLabel()->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(screen->songNameLabel()->alignment(), Qt::AlignCenter);
}

void PlayerTest::showAndHideTouchExactlyTheControls()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    const QList<QWidget *> eight = {screen->timeSlider(),      screen->playPauseButton(),
                                    screen->rewindButton(),    screen->forwardButton(),
                                    screen->songNameLabel(),   screen->artistNameLabel(),
                                    screen->overlayView(),     screen->playerView()};
    QHash<QWidget *, bool> before;
    for (QWidget *child : screen->findChildren<QWidget *>())
        before.insert(child, child->isHidden());
    screen->showControls();
    for (QWidget *child : screen->findChildren<QWidget *>()) {
        if (eight.contains(child))
            QVERIFY(!child->isHidden());
        else
            QCOMPARE(child->isHidden(), before.value(child));
    }
    screen->hideControls();
    for (QWidget *child : screen->findChildren<QWidget *>()) {
        if (eight.contains(child))
            QVERIFY(child->isHidden());
        else
            QCOMPARE(child->isHidden(), before.value(child));
    }
}

void PlayerTest::infoAlert_data()
{
    QTest::addColumn<QString>("song");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<std::optional<QString>>("id");
    QTest::addColumn<QString>("message");
    QTest::newRow("with labels") << "Song" << "Artist" << std::optional<QString>("42")
                                 << "Название: Song\nАвтор: Artist\nСсылка: https://service.test/music/play?id=42";
    QTest::newRow("without labels") << "" << "" << std::optional<QString>("7")
                                    << "Название: Неизвестно\nАвтор: Неизвестно\nСсылка: https://service.test/music/play?id=7";
    QTest::newRow("radio") << "Song" << "Artist" << std::optional<QString>()
                           << "Название: Song\nАвтор: Artist\nСсылка: https://service.test/music/play?id=(null)";
}

void PlayerTest::infoAlert()
{
    QFETCH(QString, song);
    QFETCH(QString, artist);
    QFETCH(std::optional<QString>, id);
    QFETCH(QString, message);
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->songNameLabel()->setText(song);
    screen->artistNameLabel()->setText(artist);
    screen->setCurrentSongID(id);
    screen->createAndShowPlayerNavigationBarWithTitle(song);
    NavigationItem *item = screen->playerNavigationBar()->topItem();
    QCOMPARE(screen->playerNavigationBar()->items().size(), 1);
    QCOMPARE(item->title(), song);
    QCOMPARE(screen->playerNavigationBar()->rightButton()->text(), QStringLiteral("Инфо"));
    screen->playerNavigationBar()->rightButton()->click();
    AlertView *alert = platform.alerts.last();
    QCOMPARE(alert->title(), QStringLiteral("Информация о песне"));
    QCOMPARE(alert->message(), message);
    QCOMPARE(alert->buttonTitles(), QStringList{QStringLiteral("ОК")});
    // Its button closes it and changes nothing, even as index 1.
    const std::optional<QString> stored = platform.userDefaults->stringForKey(QStringLiteral("customURL"));
    alert->dismissWithClickedButtonIndex(1);
    QCOMPARE(platform.terminator.statuses(), QList<int>{});
    QCOMPARE(platform.userDefaults->stringForKey(QStringLiteral("customURL")), stored);

    // The next track's item replaces this one.
    QPointer<NavigationItem> first = item;
    screen->createAndShowPlayerNavigationBarWithTitle(QStringLiteral("Next"));
    QCOMPARE(screen->playerNavigationBar()->items().size(), 1);
    QCOMPARE(screen->playerNavigationBar()->topItem()->title(), QStringLiteral("Next"));
    QTRY_VERIFY(first.isNull());
}

void PlayerTest::playerBackAfterFailure()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    playInRadioMode(screen.get());
    screen->backgroundImageView()->setImage(QImage(8, 8, QImage::Format_RGB32));
    platform.streamingPlayers.lastItem()->fail(QStringLiteral("lost"));

    screen->playerNavigationBar()->leftButton()->click();
    QVERIFY(!screen->radioMode());
    QVERIFY(!screen->backgroundImageView()->hasImage());
    QVERIFY(screen->playerNavigationBar()->isHidden());
    QCOMPARE(platform.nowPlaying.current(), std::nullopt);
    QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Song"));
}

void PlayerTest::onlyTheLatestPictureCounts()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    LogCapture capture;
    // The first picture arrives after the second.
    screen->loadIconFromURL(QUrl(origin() + QStringLiteral("/cover.png?slow")));
    const QUrl closed(LocalHttpServer::closedOrigin() + QStringLiteral("/x.png"));
    screen->loadIconFromURL(closed);
    QTRY_COMPARE(capture.lines().size(), 1);
    QVERIFY(capture.lines().at(0).startsWith(QStringLiteral("Ошибка загрузки иконки: ")));
    screen->backgroundImageView()->setImage(QImage(8, 8, QImage::Format_RGB32));
    // The late reply of the first request changes nothing.
    QTest::qWait(500);
    QVERIFY(screen->backgroundImageView()->hasImage());
    QCOMPARE(capture.lines().size(), 1);
}

void PlayerTest::aPictureAfterBackChangesNothing()
{
    // "Назад" makes the picture on its way stale, as it does the track's
    // information: it neither fills the background nor stops the indicator
    // that a page still loading keeps turning.
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->loadIconFromURL(QUrl(origin() + QStringLiteral("/late.png")));
    QTRY_VERIFY(m_server.requestTargets().contains(QStringLiteral("/late.png")));
    screen->playerBackButtonTapped();
    screen->activityIndicator()->startAnimating();
    QTest::qWait(700);
    QVERIFY(!screen->backgroundImageView()->hasImage());
    QVERIFY(screen->activityIndicator()->isAnimating());
}

void PlayerTest::nowPlayingRecord_data()
{
    QTest::addColumn<bool>("hasPlayer");
    QTest::addColumn<QString>("song");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<bool>("picture");
    QTest::newRow("no player, texts shown") << false << "Song" << "Artist" << true;
    QTest::newRow("everything") << true << "Song" << "Artist" << true;
    QTest::newRow("no texts, no picture") << true << "" << "" << false;
    QTest::newRow("artist only") << true << "" << "Artist" << false;
}

void PlayerTest::nowPlayingRecord()
{
    QFETCH(bool, hasPlayer);
    QFETCH(QString, song);
    QFETCH(QString, artist);
    QFETCH(bool, picture);

    TestPlatform platform;
    auto screen = makeScreen(platform);
    if (hasPlayer) {
        screen->createAudioPlayerWithURL(QUrl(QStringLiteral("https://media.test/a.mp3")));
        platform.streamingPlayers.lastItem()->setDuration(180);
        platform.streamingPlayers.lastPlayer()->setCurrentTime(61.5);
    }
    screen->songNameLabel()->setText(song);
    screen->artistNameLabel()->setText(artist);
    if (picture)
        screen->backgroundImageView()->setImage(QImage(8, 8, QImage::Format_RGB32));
    screen->updateNowPlayingInfo();

    const std::optional<NowPlayingInfo> record = platform.nowPlaying.current();
    QCOMPARE(record.has_value(), hasPlayer);
    if (!record)
        return;
    QCOMPARE(record->title.has_value(), !song.isEmpty());
    QCOMPARE(record->artist, artist.isEmpty() ? std::nullopt : std::optional<QString>(artist));
    QCOMPARE(!record->artwork.isNull(), picture);
    QCOMPARE(record->playbackDuration, 180.0);
    QCOMPARE(record->elapsedPlaybackTime, 61.5);
    QCOMPARE(record->playbackRate, 1.0f);
}

QTEST_MAIN(PlayerTest)
#include "tst_player.moc"
