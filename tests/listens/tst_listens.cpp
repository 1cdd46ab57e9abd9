#include "app/PreferencesWindow.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "listens/ListenBrainzService.h"
#include "listens/ListenRule.h"
#include "listens/PlayedTime.h"
#include "platform/media/MediaStreamingPlayerFactory.h"
#include "platform/nowplaying/NowPlayingFanOut.h"
#include "platform/system/SettingsPasswordStore.h"
#include "KavuTestMain.h"
#include "ListenBrainzStandIn.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

Listen listenTo(const QString &title)
{
    Listen listen;
    listen.listenedAt = 1700000000;
    listen.artist = QStringLiteral("The Kavu Band");
    listen.title = title;
    listen.duration = 180;
    return listen;
}

QStringList titles(const QList<QJsonObject> &entries)
{
    QStringList result;
    for (const QJsonObject &entry : entries)
        result.append(entry.value("track_metadata").toObject().value("track_name").toString());
    return result;
}

// A client of the stand-in with a queue in a folder of its own.
struct Client
{
    explicit Client(const QUrl &address, const QString &queuePath = QString())
        : queue(queuePath.isEmpty() ? folder.filePath("listens.json") : queuePath)
    {
        client.setFirstRetryMs(200);
        client.setApiAddress(address);
        client.setToken(QStringLiteral("demo"));
    }

    QTemporaryDir folder;
    UrlLoader loader;
    ListenQueue queue;
    ListenBrainzClient client{&loader, &queue, QStringLiteral("test")};
};

} // namespace

class ListensTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theRuleCountsWhatWasHeard_data();
    void theRuleCountsWhatWasHeard();
    void aPlayedTrackIsToldWithItsFields();
    void listensWaitOutAnOutageInOrder();
    void aKilledProcessLosesNoListen();
    void aWaitAskedForIsKept();
    void aRefusedTokenKeepsTheListensAndIsShown();
};

void ListensTest::theRuleCountsWhatWasHeard_data()
{
    // What the player reported, "ms/position/state" (a "seek" is told as
    // one before its report), and what was heard of it.
    QTest::addColumn<double>("duration");
    QTest::addColumn<QString>("reports");
    QTest::addColumn<double>("played");
    QTest::addColumn<bool>("counted");
    QTest::newRow("half of a three-minute track") << 180.0 << "0/0/play 90000/90/play" << 90.0 << true;
    QTest::newRow("four minutes of a long one") << 600.0 << "0/0/play 240000/240/play" << 240.0 << true;
    QTest::newRow("a pause adds nothing")
        << 180.0 << "0/0/play 40000/40/pause 100000/40/pause 100000/40/play 140000/80/play" << 80.0 << false;
    QTest::newRow("the span a seek skipped adds nothing")
        << 180.0 << "0/0/play 10000/10/play 11000/100/seek 20000/109/play 21000/170/play" << 19.0 << false;
    QTest::newRow("a short track never counts") << 25.0 << "0/0/play 25000/25/play" << 25.0 << false;
}

void ListensTest::theRuleCountsWhatWasHeard()
{
    QFETCH(double, duration);
    QFETCH(QString, reports);
    QFETCH(double, played);
    QFETCH(bool, counted);
    PlayedTime heard;
    for (const QString &report : reports.split(' ')) {
        const QStringList parts = report.split('/');
        if (parts.at(2) == QLatin1String("seek"))
            heard.jumped();
        heard.observe(parts.at(1).toDouble(), parts.at(2) != QLatin1String("pause"), parts.at(0).toLongLong());
    }
    QCOMPARE(heard.seconds(), played);
    const std::optional<double> needed = ListenRule::secondsToListen(duration);
    QCOMPARE(needed.has_value() && heard.seconds() >= *needed, counted);
}

void ListensTest::aPlayedTrackIsToldWithItsFields()
{
    // The Music screen plays a 30-s demo track through the real engine: a
    // playing now when it starts, a listen 15 s in, both with the track's
    // names, the player and its page.
    DemoService demo;
    QVERIFY(demo.start());
    demo.setTrackSeconds(30);
    AudioEngine engine;
    QTemporaryDir tracks;
    TestPlatform platform;
    MediaStreamingPlayerFactory players(&engine, &platform.urlLoader, tracks.path());
    platform.services.streamingPlayers = &players;
    platform.services.bundle = demo.bundle();
    platform.userDefaults->setString(QStringLiteral("customURL"), demo.siteAddress());
    SettingsPasswordStore tokens(platform.userDefaults.get(), QStringLiteral("listenBrainzToken"));
    ListenBrainzService listens(&platform.urlLoader, platform.userDefaults.get(), &tokens,
                                platform.directory.filePath("listens.json"), QStringLiteral("1.2.3"),
                                QUrl(demo.origin()));
    listens.useToken(QStringLiteral("demo"), QStringLiteral("demo"));
    NowPlayingFanOut records;
    records.add(&platform.nowPlaying);
    records.add(listens.tracker());
    platform.services.nowPlaying = &records;
    SecondViewController screen(platform.services);
    screen.resize(320, 480);
    screen.loadViewIfNeeded();

    const qint64 tapped = QDateTime::currentSecsSinceEpoch();
    screen.fetchDataFromServerWithID(QStringLiteral("2"), false);
    const auto told = [&demo](const QString &type) {
        QList<QJsonObject> entries;
        for (const DemoListenBrainz::Submission &submission : demo.acceptedListens()) {
            if (submission.type == type)
                entries += submission.entries;
        }
        return entries;
    };
    QTRY_COMPARE_WITH_TIMEOUT(told("playing_now").size(), 1, 10000);
    QVERIFY(told("single").isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(told("single").size(), 1, 25000);
    const QJsonObject listen = told("single").first();
    QVERIFY(screen.player() && screen.player()->currentTime() >= 14.5);
    QVERIFY(qAbs(listen.value("listened_at").toInteger() - tapped) <= 2);
    const QJsonObject track = listen.value("track_metadata").toObject();
    QCOMPARE(track.value("track_name").toString(), QStringLiteral("Morning Drive"));
    QCOMPARE(track.value("artist_name").toString(), QStringLiteral("The Kavu Band"));
    const QJsonObject info = track.value("additional_info").toObject();
    QCOMPARE(info.value("media_player").toString(), QStringLiteral("Kavu"));
    QCOMPARE(info.value("submission_client").toString(), QStringLiteral("Kavu"));
    QCOMPARE(info.value("submission_client_version").toString(), QStringLiteral("1.2.3"));
    QCOMPARE(info.value("duration_ms").toInteger(), 30000);
    QCOMPARE(info.value("origin_url").toString(), demo.origin() + QStringLiteral("/music/play?id=2"));
    QCOMPARE(told("playing_now").first().value("track_metadata").toObject().value("track_name").toString(),
             QStringLiteral("Morning Drive"));
    screen.playerBackButtonTapped();
}

void ListensTest::listensWaitOutAnOutageInOrder()
{
    ListenBrainzStandIn server;
    QVERIFY(server.listen());
    server.setUnavailable(true);
    Client listens(server.address());
    for (const QString &title : {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")})
        listens.client.listened(listenTo(title));
    QTRY_VERIFY(server.submissions().size() >= 2);
    // Kept on disk, for the user alone, while the server is away.
    QCOMPARE(ListenQueue(listens.queue.filePath()).size(), 3);
    QVERIFY(!(QFileInfo(listens.queue.filePath()).permissions()
              & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)));

    server.setUnavailable(false);
    QTRY_COMPARE_WITH_TIMEOUT(titles(server.listens()), QStringList({"One", "Two", "Three"}), 10000);
    QTest::qWait(500);
    QCOMPARE(server.listens().size(), 3);
    QCOMPARE(ListenQueue(listens.queue.filePath()).size(), 0);
}

void ListensTest::aKilledProcessLosesNoListen()
{
    // A Kavu killed after it queued a listen and sent it, before the server
    // answered: the next start sends it.
    ListenBrainzStandIn server;
    QVERIFY(server.listen());
    server.setHanging(true);
    QTemporaryDir folder;
    const QString queuePath = folder.filePath("listens.json");
    QProcess child;
    child.start(QStringLiteral(LISTENS_CHILD), {queuePath, server.address().toString()});
    QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine(), 10000);
    QCOMPARE(child.readLine().trimmed(), QByteArray("queued"));
    QTRY_COMPARE(server.server().requests().size(), 1);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());

    server.setHanging(false);
    Client next(server.address(), queuePath);
    QCOMPARE(next.queue.size(), 1);
    QTRY_COMPARE(titles(server.listens()), QStringList({QStringLiteral("Белые ночи")}));
    QTRY_COMPARE(next.queue.size(), 0);
}

void ListensTest::aWaitAskedForIsKept()
{
    // A 429 asking for a second: nothing goes before it has passed, a
    // listen that came meanwhile included.
    ListenBrainzStandIn server;
    QVERIFY(server.listen());
    server.askToWaitOnce(1);
    Client listens(server.address());
    listens.client.listened(listenTo(QStringLiteral("One")));
    QTRY_COMPARE(server.submissions().size(), 1);
    listens.client.listened(listenTo(QStringLiteral("Two")));
    QTRY_COMPARE_WITH_TIMEOUT(titles(server.listens()), QStringList({"One", "Two"}), 5000);
    const QList<ListenBrainzStandIn::Submission> sent = server.submissions();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).status, 429);
    QVERIFY2(sent.at(1).atMs - sent.at(0).atMs >= 950, qPrintable(QString::number(sent.at(1).atMs - sent.at(0).atMs)));
}

void ListensTest::aRefusedTokenKeepsTheListensAndIsShown()
{
    ListenBrainzStandIn server;
    QVERIFY(server.listen());
    TestPlatform platform;
    SettingsPasswordStore tokens(platform.userDefaults.get(), QStringLiteral("listenBrainzToken"));
    ListenBrainzService listens(&platform.urlLoader, platform.userDefaults.get(), &tokens,
                                platform.directory.filePath("listens.json"), QStringLiteral("test"),
                                server.address());
    listens.useToken(QStringLiteral("revoked"), QStringLiteral("demo"));
    PreferencesWindow preferences(&listens);
    preferences.show();
    listens.client()->listened(listenTo(QStringLiteral("One")));
    QTRY_VERIFY(listens.client()->tokenRefused());
    QVERIFY2(preferences.statusText().contains(QLatin1String("refused")), qPrintable(preferences.statusText()));
    QCOMPARE(listens.queue()->size(), 1);
    listens.client()->listened(listenTo(QStringLiteral("Two")));
    QTest::qWait(300);
    QCOMPARE(server.submissions().size(), 1);

    // Another token, checked in the window: the listens kept go.
    auto *token = preferences.findChild<QLineEdit *>();
    QVERIFY(token && token->echoMode() == QLineEdit::Password);
    token->setFocus();
    QTest::keyClicks(token, QStringLiteral("unknown"));
    QTest::keyClick(token, Qt::Key_Return);
    QTRY_VERIFY2(preferences.statusText().contains(QLatin1String("does not know")), qPrintable(preferences.statusText()));
    QCOMPARE(listens.queue()->size(), 2);
    token->clear();
    QTest::keyClicks(token, QStringLiteral("demo"));
    QTest::keyClick(token, Qt::Key_Return);
    QTRY_COMPARE(preferences.statusText(), QStringLiteral("The token is valid for demo; listens are sent."));
    QTRY_COMPARE(titles(server.listens()), QStringList({"One", "Two"}));
    QCOMPARE(platform.userDefaults->stringForKey(QStringLiteral("listenBrainzToken")), std::optional<QString>("demo"));
}

KAVU_TEST_MAIN(ListensTest)
#include "tst_listens.moc"
