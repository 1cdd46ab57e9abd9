#include "AccessibleText.h"
#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"
#include "allmusic/AllmusicLayout.h"
#include "allmusic/AllmusicViewController.h"
#include "demo/DemoService.h"
#include "platform/media/AudioEngine.h"
#include "platform/media/MediaFilePlayerFactory.h"
#include "platform/ui/Geometry.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class AllmusicTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void afterLoadOnlyThePageShows();
    void linkHandling_data();
    void linkHandling();
    void lookups_data();
    void lookups();
    void connectionErrorOnlyLogs();
    void staleLookupsAreDropped_data();
    void staleLookupsAreDropped();
    void playPauseRewindAndSlider();
    void endOfTrack_data();
    void endOfTrack();
    void backWhilePlaying();
    void secondLookupLeavesOneTimer();
    void failedCreationStillShowsControls();
    void downloadBarValues_data();
    void downloadBarValues();
    void theDownloadBarCoversNoControl();
    void downloadsAreLeftOrReplaced_data();
    void downloadsAreLeftOrReplaced();

private:
    std::unique_ptr<AllmusicViewController> makeScreen(TestPlatform &platform);
    void startTrack(TestPlatform &platform, AllmusicViewController *screen);
    QStringList lookupQueries() const;

    LocalHttpServer m_server;
    QByteArray m_body;
};

void AllmusicTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setHandler([this](const HttpRequest &request) {
        if (request.path() != QLatin1String("/API/test1.php"))
            return HttpReply::text("no picture", 404);
        HttpReply reply = HttpReply::text(m_body);
        if (request.query().contains(QLatin1String("slow")))
            reply.delayMs = 300;
        return reply;
    });
}

void AllmusicTest::init()
{
    m_server.clearRequests();
    m_body = QStringLiteral("%1/a.wav,%1/i.png,Song,Artist,next: 7\t").arg(m_server.origin()).toUtf8();
}

std::unique_ptr<AllmusicViewController> AllmusicTest::makeScreen(TestPlatform &platform)
{
    platform.services.bundle.serviceHostOrigin = m_server.origin();
    auto screen = std::make_unique<AllmusicViewController>(platform.services);
    screen->resize(320, 480);
    screen->loadViewIfNeeded();
    return screen;
}

void AllmusicTest::startTrack(TestPlatform &platform, AllmusicViewController *screen)
{
    const int before = platform.filePlayers.players.size();
    screen->fetchDataFromServerWithID(QStringLiteral("1"));
    QTRY_COMPARE(platform.filePlayers.players.size(), before + 1);
}

QStringList AllmusicTest::lookupQueries() const
{
    QStringList result;
    for (const HttpRequest &request : m_server.requests()) {
        if (request.path() == QLatin1String("/API/test1.php"))
            result << request.query();
    }
    return result;
}

void AllmusicTest::afterLoadOnlyThePageShows()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    QWidget *root = screen.get();
    FakeWebView *page = platform.lastWebView();
    QCOMPARE(page->loadRequests(), QList<QUrl>{QUrl(m_server.origin() + QStringLiteral("/app-version/music/"))});
    QCOMPARE(page->delegate(), static_cast<WebViewDelegate *>(screen.get()));
    QList<QWidget *> visible;
    for (QObject *child : root->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && widget->isVisibleTo(root))
            visible << widget;
    }
    QCOMPARE(visible, (QList<QWidget *>{page, screen->backgroundImageView()}));
    QVERIFY(!screen->backgroundImageView()->hasImage());
    QCOMPARE(root->children().indexOf(page), 0);

    // The layout for 320 x 480.
    QCOMPARE(page->geometry(), QRect(0, 0, 320, 480));
    QCOMPARE(screen->timeSlider()->geometry(), QRect(20, 40, 280, 20));
    QCOMPARE(screen->playPauseButton()->geometry(), QRect(130, 380, 60, 35));
    QCOMPARE(screen->rewindButton()->geometry(), QRect(40, 380, 60, 35));
    QCOMPARE(screen->forwardButton()->geometry(), QRect(220, 380, 60, 35));
    QCOMPARE(screen->backButton()->geometry(), QRect(0, 0, 60, 30));
    QCOMPARE(screen->songNameLabel()->geometry(), QRect(0, 180, 320, 30));
    QCOMPARE(screen->artistNameLabel()->geometry(), QRect(0, 210, 320, 30));
    QCOMPARE(screen->playPauseButton()->text(), QStringLiteral("Play"));
    QCOMPARE(screen->playPauseButton()->cornerRadius(), 30.0);
    QCOMPARE(screen->playPauseButton()->backgroundColor(), Geometry::colorWithWhite(1.0, 0.5));
    QCOMPARE(screen->rewindButton()->text(), QStringLiteral("<<"));
    QCOMPARE(screen->forwardButton()->text(), QStringLiteral(">>"));
    QCOMPARE(screen->backButton()->text(), QStringLiteral("Назад"));
    QCOMPARE(screen->backButton()->cornerRadius(), 0.0);
    QCOMPARE(Geometry::backgroundColor(screen->overlayView()), Geometry::colorWithWhite(0, 0.5));
    QCOMPARE(screen->backgroundImageView()->contentMode(), ImageView::ContentMode::ScaleAspectFill);
}

void AllmusicTest::linkHandling_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("query"); // of the lookup; empty for none
    QTest::newRow("id") << "kavu://music?id=42" << false << "id=42";
    QTest::newRow("escaped space") << "kavu://music?id=a%20b" << false << "id=a%20b";
    QTest::newRow("hostile id") << "kavu://music?id=1%26x%3D2" << false << "id=1%26x%3D2";
    QTest::newRow("no query") << "kavu://music" << false << QString();
    QTest::newRow("no id") << "kavu://music?track=1" << false << QString();
    QTest::newRow("alert is a URL like others") << "kavu://alert?name=a&text=b" << true << QString();
    QTest::newRow("https") << "https://example.org/" << true << QString();
}

void AllmusicTest::linkHandling()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QFETCH(QString, query);
    TestPlatform platform;
    auto screen = makeScreen(platform);
    QCOMPARE(platform.lastWebView()->navigate(QUrl(url)), allowed);
    if (query.isEmpty()) {
        QTest::qWait(100);
        QVERIFY(lookupQueries().isEmpty());
    } else {
        QTRY_COMPARE(lookupQueries(), QStringList{query});
    }
    QCOMPARE(platform.alerts.count(), 0);
}

void AllmusicTest::lookups_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("log"); // after "Ответ сервера: ..."
    QTest::addColumn<std::optional<QString>>("next");
    QTest::addColumn<bool>("plays");

    const std::optional<QString> old(QStringLiteral("old"));
    QTest::newRow("five pieces") << QByteArray("{o}/a.wav,{o}/i.png,Song,Artist,next: \t7\t\n")
                                 << QStringList{"ID следующей песни: 7\t\n", "Audio URL: {o}/a.wav",
                                                "Icon URL: {o}/i.png", "Song Name: Song",
                                                "Artist Name: Artist"}
                                 << std::optional<QString>("7\t\n") << true;
    QTest::newRow("empty next") << QByteArray("{o}/a.wav,{o}/i.png,Song,Artist,next:")
                                << QStringList{"ID следующей песни: ", "Audio URL: {o}/a.wav",
                                               "Icon URL: {o}/i.png", "Song Name: Song",
                                               "Artist Name: Artist"}
                                << std::optional<QString>("") << true;
    QTest::newRow("two colons") << QByteArray("{o}/a.wav,{o}/i.png,Song,Artist,a:b:c")
                                << QStringList{"Audio URL: {o}/a.wav", "Icon URL: {o}/i.png",
                                               "Song Name: Song", "Artist Name: Artist"}
                                << old << true;
    QTest::newRow("comma in the name") << QByteArray("{o}/a.wav,{o}/i.png,So,ng,Artist,next:7")
                                       << QStringList{"Неверный формат данных"} << old << false;
    QTest::newRow("leading space") << QByteArray(" {o}/a.wav,{o}/i.png,Song,Artist,next:7")
                                   << QStringList{"ID следующей песни: 7", "Неверный формат URL"}
                                   << std::optional<QString>("7") << false;
}

void AllmusicTest::lookups()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, log);
    QFETCH(std::optional<QString>, next);
    QFETCH(bool, plays);

    const QString origin = m_server.origin();
    m_body = QByteArray(body).replace("{o}", origin.toUtf8());
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->setNextSongID(QStringLiteral("old"));
    screen->songNameLabel()->setText(QStringLiteral("Before"));
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("3"));
    QTRY_COMPARE(capture.lines().size(), 1 + log.size());
    QStringList expected{QStringLiteral("Ответ сервера: ") + QString::fromUtf8(m_body)};
    for (const QString &line : log)
        expected << QString(line).replace(QStringLiteral("{o}"), origin);
    QCOMPARE(capture.lines(), expected);
    QCOMPARE(screen->nextSongID(), next);
    QCOMPARE(platform.alerts.count(), 0);
    if (plays) {
        QCOMPARE(platform.filePlayers.urls, QList<QUrl>{QUrl(origin + QStringLiteral("/a.wav"))});
        QTRY_VERIFY(screen->audioPlayer());
        QCOMPARE(screen->audioPlayer(), platform.filePlayers.lastPlayer());
        QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Song"));
        QCOMPARE(screen->artistNameLabel()->text(), QStringLiteral("Artist"));
        QVERIFY(screen->timeSlider()->isVisibleTo(screen.get()));
        QCOMPARE(screen->playPauseButton()->text(), QStringLiteral("Pause"));
        QCOMPARE(screen->timeSlider()->maximumValue(), 180.0f);
        QTRY_VERIFY(m_server.requestTargets().contains(QStringLiteral("/i.png")));
    } else {
        QVERIFY(platform.filePlayers.urls.isEmpty());
        QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Before"));
        QVERIFY(screen->timeSlider()->isHidden());
    }
}

void AllmusicTest::connectionErrorOnlyLogs()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    startTrack(platform, screen.get());
    QPointer<FakeFilePlayer> playing = platform.filePlayers.lastPlayer();

    platform.services.bundle.serviceHostOrigin = LocalHttpServer::closedOrigin();
    auto offline = std::make_unique<AllmusicViewController>(platform.services);
    offline->resize(320, 480);
    offline->loadViewIfNeeded();
    offline->setNextSongID(QStringLiteral("9"));
    LogCapture capture;
    offline->fetchDataFromServerWithID(QStringLiteral("1"));
    QTRY_COMPARE(capture.lines().size(), 1);
    QVERIFY(capture.lines().at(0).startsWith(QStringLiteral("Ошибка подключения: ")));
    QCOMPARE(platform.alerts.count(), 0);
    QCOMPARE(offline->nextSongID(), std::optional<QString>(QStringLiteral("9")));
    QVERIFY(offline->timeSlider()->isHidden());

    // A lookup stops the playing track at once, even when it then fails.
    screen->fetchDataFromServerWithID(QStringLiteral("slow"));
    QVERIFY(playing.isNull() || !playing->isPlaying());
    QCOMPARE(screen->audioPlayer(), nullptr);
}

void AllmusicTest::staleLookupsAreDropped_data()
{
    QTest::addColumn<bool>("back");
    QTest::newRow("newer lookup") << false;
    QTest::newRow("back") << true;
}

void AllmusicTest::staleLookupsAreDropped()
{
    QFETCH(bool, back);
    TestPlatform platform;
    auto screen = makeScreen(platform);
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("slow"));
    if (back)
        screen->backButtonTapped();
    else
        screen->fetchDataFromServerWithID(QStringLiteral("2"));
    QTRY_VERIFY_WITH_TIMEOUT(capture.lines().contains(QStringLiteral("Ответ на устаревший запрос пропущен")), 3000);
    QCOMPARE(platform.filePlayers.urls.size(), back ? 0 : 1);
}

void AllmusicTest::playPauseRewindAndSlider()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    // Without a player the button only changes its title.
    screen->playPauseButton()->click();
    QCOMPARE(screen->playPauseButton()->text(), QStringLiteral("Pause"));

    startTrack(platform, screen.get());
    FakeFilePlayer *player = platform.filePlayers.lastPlayer();
    QVERIFY(player->isPlaying());
    screen->playPauseButton()->click();
    QVERIFY(!player->isPlaying());
    QCOMPARE(screen->playPauseButton()->text(), QStringLiteral("Play"));
    QCOMPARE(screen->playPauseButton()->accessibleName(), QStringLiteral("Play"));

    player->setCurrentTime(50);
    screen->rewindButton()->click();
    QCOMPARE(player->currentTime(), 0.0);
    QVERIFY(!player->isPlaying());

    screen->timeSlider()->setValue(30.5f);
    screen->timeSliderValueChanged();
    QCOMPARE(player->currentTime(), 30.5);

    screen->forwardButton()->click();
    QCOMPARE(player->currentTime(), 180.0);

    screen->playPauseButton()->click();
    QVERIFY(player->isPlaying());
    QCOMPARE(screen->playPauseButton()->text(), QStringLiteral("Pause"));

    player->setCurrentTime(12.25);
    screen->updateTimeSlider();
    QCOMPARE(screen->timeSlider()->value(), 12.25f);
    // A screen reader reads the times, not only what they are.
    QVERIFY2(accessibleText(screen->volumeAndTimeControls()->elapsedLabel()).contains(QLatin1String("Time played: 0:12")),
             qPrintable(accessibleText(screen->volumeAndTimeControls()->elapsedLabel())));
    QVERIFY(accessibleText(screen->volumeAndTimeControls()->remainingLabel()).contains(QStringLiteral("Time left: \u22122:48")));
}

void AllmusicTest::endOfTrack_data()
{
    QTest::addColumn<std::optional<QString>>("next");
    QTest::addColumn<bool>("successfully");
    QTest::addColumn<QStringList>("queries");
    QTest::newRow("next known") << std::optional<QString>("7") << true << QStringList{"id=1", "id=7"};
    QTest::newRow("empty next") << std::optional<QString>("") << true << QStringList{"id=1", "id="};
    QTest::newRow("no next") << std::optional<QString>() << true << QStringList{"id=1"};
    QTest::newRow("decoding error") << std::optional<QString>("7") << false << QStringList{"id=1"};
}

void AllmusicTest::endOfTrack()
{
    QFETCH(std::optional<QString>, next);
    QFETCH(bool, successfully);
    QFETCH(QStringList, queries);
    m_body = QStringLiteral("%1/a.wav,%1/i.png,Song,Artist,none").arg(m_server.origin()).toUtf8();
    TestPlatform platform;
    auto screen = makeScreen(platform);
    startTrack(platform, screen.get());
    screen->setNextSongID(next);
    QPointer<QTimer> timer = screen->playbackTimer();
    platform.filePlayers.lastPlayer()->finish(successfully);
    QTRY_COMPARE(lookupQueries(), queries);
    QTest::qWait(50);
    QCOMPARE(lookupQueries(), queries);
    if (queries.size() == 1) {
        // The screen stays on the ended track.
        QVERIFY(screen->audioPlayer());
        QCOMPARE(screen->playPauseButton()->text(), QStringLiteral("Pause"));
        QVERIFY(screen->timeSlider()->isVisibleTo(screen.get()));
        QVERIFY(timer && timer->isActive());
    }
}

void AllmusicTest::backWhilePlaying()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    startTrack(platform, screen.get());
    QTRY_VERIFY(screen->backgroundImageView()->hasImage() || m_server.requestTargets().contains(QStringLiteral("/i.png")));
    screen->backgroundImageView()->setImage(QImage(4, 4, QImage::Format_RGB32));
    QPointer<FakeFilePlayer> player = platform.filePlayers.lastPlayer();

    screen->backButton()->click();
    QVERIFY(player.isNull() || player->calls.contains(QStringLiteral("stop")));
    QCOMPARE(screen->audioPlayer(), nullptr);
    for (QWidget *control : {static_cast<QWidget *>(screen->timeSlider()),
                             static_cast<QWidget *>(screen->playPauseButton()),
                             static_cast<QWidget *>(screen->backButton()), screen->overlayView()})
        QVERIFY(control->isHidden());
    QVERIFY(!screen->backgroundImageView()->hasImage());
    QCOMPARE(screen->nextSongID(), std::optional<QString>(QStringLiteral("7")));
    QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Song"));

    // A later link starts a lookup normally.
    m_server.clearRequests();
    platform.lastWebView()->navigate(QUrl(QStringLiteral("kavu://music?id=5")));
    QTRY_COMPARE(lookupQueries(), QStringList{QStringLiteral("id=5")});
    QTRY_COMPARE(platform.filePlayers.players.size(), 2);
}

void AllmusicTest::secondLookupLeavesOneTimer()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    startTrack(platform, screen.get());
    QPointer<FakeFilePlayer> first = platform.filePlayers.lastPlayer();
    QPointer<QTimer> firstTimer = screen->playbackTimer();
    screen->fetchDataFromServerWithID(QStringLiteral("2"));
    // The track stops at once.
    QCOMPARE(screen->audioPlayer(), nullptr);
    QVERIFY(first.isNull() || !first->isPlaying());
    QTRY_COMPARE(platform.filePlayers.players.size(), 2);
    QTRY_VERIFY(firstTimer.isNull());
    QCOMPARE(screen->findChildren<QTimer *>().size(), 1);
    QVERIFY(screen->playbackTimer()->isActive());
    QCOMPARE(screen->playbackTimer()->interval(), 1000);
}

void AllmusicTest::failedCreationStillShowsControls()
{
    TestPlatform platform;
    platform.filePlayers.failure = QStringLiteral("The track is too large.");
    auto screen = makeScreen(platform);
    LogCapture capture;
    screen->fetchDataFromServerWithID(QStringLiteral("1"));
    QTRY_VERIFY(capture.lines().contains(QStringLiteral("Ошибка создания AVAudioPlayer: The track is too large.")));
    QCOMPARE(screen->audioPlayer(), nullptr);
    QVERIFY(screen->timeSlider()->isVisibleTo(screen.get()));
    QCOMPARE(screen->songNameLabel()->text(), QStringLiteral("Song"));
    QCOMPARE(platform.alerts.count(), 0);
    // The controls do nothing but change the title.
    screen->rewindButton()->click();
    screen->forwardButton()->click();
    screen->playPauseButton()->click();
    QCOMPARE(screen->playPauseButton()->text(), QStringLiteral("Pause"));
}

void AllmusicTest::downloadBarValues_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("permille"); // -1: no bar
    QTest::newRow("size not known") << qint64(5000) << qint64(-1) << -1;
    QTest::newRow("empty track") << qint64(0) << qint64(0) << -1;
    QTest::newRow("started") << qint64(0) << qint64(300) << 0;
    QTest::newRow("a third") << qint64(100) << qint64(300) << 333;
    QTest::newRow("all") << qint64(300) << qint64(300) << 1000;
    QTest::newRow("more than said") << qint64(400) << qint64(300) << 1000;
    QTest::newRow("200 MiB") << qint64(100) << qint64(200LL * 1024 * 1024) << 0;
}

void AllmusicTest::downloadBarValues()
{
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QFETCH(int, permille);
    QCOMPARE(AllmusicLayout::downloadPermille(received, total).value_or(-1), permille);
}

void AllmusicTest::theDownloadBarCoversNoControl()
{
    for (const QSizeF size : {QSizeF(320, 480), QSizeF(1280, 800), QSizeF(200, 300)}) {
        const AllmusicLayout layout = AllmusicLayout::forBounds(size.width(), size.height());
        for (const QRectF &control : {layout.backButton, layout.timeSlider, layout.playPauseButton,
                                      layout.rewindButton, layout.forwardButton})
            QVERIFY(!layout.downloadProgressBar.intersects(control));
    }
}

void AllmusicTest::downloadsAreLeftOrReplaced_data()
{
    QTest::addColumn<bool>("back"); // else a second track link
    QTest::newRow("back") << true;
    QTest::newRow("second link") << false;
}

void AllmusicTest::downloadsAreLeftOrReplaced()
{
    // The real factory on a slow link: 2 MB at 100 KB/s.
    QFETCH(bool, back);
    DemoService demo;
    QVERIFY(demo.start());
    demo.setThrottle(100 * 1000);
    QNetworkAccessManager network;
    QTemporaryDir folder;
    AudioEngine engine;
    MediaFilePlayerFactory files(&engine, &network, folder.path());
    TestPlatform platform;
    platform.services.filePlayers = &files;
    auto screen = makeScreen(platform);
    LogCapture capture;
    screen->createAudioPlayerWithURL(QUrl(demo.sizedTrackUrl(2'000'000)));
    // The window goes on meanwhile: the indicator turns, the bar grows.
    QTRY_VERIFY(!screen->downloadProgressBar()->isHidden() && screen->downloadProgressBar()->value() > 0);
    QVERIFY(screen->activityIndicator()->isAnimating());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 1);
    if (back)
        screen->backButtonTapped();
    else
        screen->createAudioPlayerWithURL(QUrl(demo.sizedTrackUrl(20'000)));
    if (back) {
        QVERIFY(QDir(folder.path()).isEmpty());
        QTest::qWait(300);
        QCOMPARE(screen->audioPlayer(), nullptr);
        QVERIFY(!screen->activityIndicator()->isAnimating());
        QVERIFY(screen->downloadProgressBar()->isHidden());
    } else {
        // Only the second track plays.
        QTRY_VERIFY_WITH_TIMEOUT(screen->audioPlayer(), 10000);
        QVERIFY(screen->audioPlayer()->duration() < 1.0);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 1);
    }
    // The creation left behind says nothing.
    QCOMPARE(capture.lines(), QStringList{});
}

QTEST_MAIN(AllmusicTest)
#include "tst_allmusic.moc"
