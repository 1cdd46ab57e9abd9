#include "KavuTestMain.h"
#include "PortalInhibitStandIn.h"
#include "PrivateSessionBus.h"
#include "SoundServer.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "app/PreferencesWindow.h"
#include "app/SingleInstance.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "platform/media/AudioEngine.h"
#include "platform/media/StreamingPlayer.h"
#include "platform/nowplaying/MprisNowPlayingCenter.h"
#include "platform/nowplaying/TrackNotifier.h"
#include "platform/system/UserDefaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

// Kavu in a desktop session of the test's own: a session bus, a sound
// server, a notification daemon on a display of its own, a stand-in for
// the portal; and the real application started beside it, as from a
// terminal.
class SessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void aHandedOverAddressWaitsForTheNextStart();
    void theCommandLineSendsPlayerCommands();
    void theDesktopSetsTheVolumeKeptAcrossRuns();
    void playingKeepsTheMachineAwake();
    void aNewTrackIsToldWhileTheWindowIsInactive();

private:
    // Kavu on a demo service, its window shown; a track tapped plays.
    struct Running
    {
        Running()
        {
            demo.start();
            kavu = std::make_unique<KavuApplication>(demo.bundle(), QStringLiteral("kavu"));
            kavu->window()->show();
        }
        SecondViewController *music() const { return kavu->window()->musicScreen(); }
        QString status() const { return kavu->nowPlayingCenter()->playbackStatus(); }
        void tap(const QString &id) const { music()->fetchDataFromServerWithID(id, false); }

        DemoService demo;
        std::unique_ptr<KavuApplication> kavu;
    };
    // Runs a program of the session to its end, the event loop going.
    static QProcess *run(const QString &program, const QStringList &arguments);

    QTemporaryDir m_home;
    PrivateSessionBus m_bus;
    SoundServer m_sound;
    QProcess m_display;
    QProcess m_notifications;
};

void SessionTest::initTestCase()
{
    QVERIFY(m_bus.start());
    m_bus.makeSessionBus();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, m_home.filePath(QString::fromLatin1(name)).toUtf8());
    QString error;
    QVERIFY2(m_sound.start(&error), qPrintable(error));
    // dunst draws on an X display: one of the test's own.
    m_display.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                             QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(m_display.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(m_display.canReadLine(), 10000);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromUtf8(m_display.readLine()).trimmed());
    m_notifications.setProcessEnvironment(environment);
    m_notifications.start(QStringLiteral("dunst"), {});
    QVERIFY(m_notifications.waitForStarted(5000));
}

void SessionTest::cleanupTestCase()
{
    for (QProcess *process : {&m_notifications, &m_display}) {
        process->terminate();
        process->waitForFinished(3000);
    }
}

QProcess *SessionTest::run(const QString &program, const QStringList &arguments)
{
    auto *process = new QProcess;
    process->start(program, arguments);
    if (!QTest::qWaitFor([process] { return process->state() == QProcess::NotRunning; }, 20000))
        process->kill();
    return process;
}

void SessionTest::aHandedOverAddressWaitsForTheNextStart()
{
    Running app;
    SingleInstance instance(QStringLiteral("org.kavu.Kavu"), UserDefaults::defaultFilePath(QStringLiteral("kavu")));
    QVERIFY(instance.claim());
    instance.serve(app.kavu.get());
    QTRY_VERIFY_WITH_TIMEOUT(!app.demo.requestLog().filter(QStringLiteral("/kavu/music/")).isEmpty(), 20000);

    // The second start hands its address over, which is stored at once...
    const QString other = QStringLiteral("http://127.0.0.1:9/other");
    std::unique_ptr<QProcess> second(run(QStringLiteral(KAVU_APP), {QStringLiteral("--site-address"), other}));
    QCOMPARE(second->exitCode(), 0);
    QTRY_COMPARE(UserDefaults(UserDefaults::defaultFilePath(QStringLiteral("kavu"))).stringForKey(QStringLiteral("customURL")),
                 std::optional<QString>(other));

    // ...and the running Kavu's next track still comes from its own site.
    app.tap(QStringLiteral("1"));
    QTRY_VERIFY(app.demo.requestLog().contains(QStringLiteral("/kavu/API/get-info-songs.php?id=1")));

    // kavu --preferences opens the running Kavu's Preferences window.
    QVERIFY(!app.kavu->preferencesWindow());
    std::unique_ptr<QProcess> preferences(run(QStringLiteral(KAVU_APP), {QStringLiteral("--preferences")}));
    QCOMPARE(preferences->exitCode(), 0);
    QTRY_VERIFY(app.kavu->preferencesWindow() && app.kavu->preferencesWindow()->isVisible());
    UserDefaults(UserDefaults::defaultFilePath(QStringLiteral("kavu"))).removeObjectForKey(QStringLiteral("customURL"));
}

void SessionTest::theCommandLineSendsPlayerCommands()
{
    // With no Kavu running: one line, status 1, and none is started.
    {
        std::unique_ptr<QProcess> alone(run(QStringLiteral(KAVU_APP), {QStringLiteral("--play-pause")}));
        QCOMPARE(alone->exitCode(), 1);
        QCOMPARE(alone->readAllStandardError().count('\n'), 1);
    }
    Running app;
    app.tap(QStringLiteral("1"));
    QTRY_COMPARE_WITH_TIMEOUT(app.status(), QStringLiteral("Playing"), 10000);
    const QList<QPair<QString, QString>> steps = {{QStringLiteral("--pause"), QStringLiteral("Paused")},
                                                  {QStringLiteral("--play"), QStringLiteral("Playing")},
                                                  {QStringLiteral("--play-pause"), QStringLiteral("Paused")}};
    for (const auto &step : steps) {
        std::unique_ptr<QProcess> command(run(QStringLiteral(KAVU_APP), {step.first}));
        QCOMPARE(command->exitCode(), 0);
        QCOMPARE(command->readAll(), QByteArray());
        QTRY_COMPARE(app.status(), step.second);
    }
    std::unique_ptr<QProcess> next(run(QStringLiteral(KAVU_APP), {QStringLiteral("--next")}));
    QCOMPARE(next->exitCode(), 0);
    QTRY_COMPARE(app.music()->currentSongID(), std::optional<QString>(QStringLiteral("2")));
}

void SessionTest::theDesktopSetsTheVolumeKeptAcrossRuns()
{
    {
        Running app;
        app.tap(QStringLiteral("3"));
        QTRY_COMPARE_WITH_TIMEOUT(app.status(), QStringLiteral("Playing"), 10000);
        std::unique_ptr<QProcess> set(
            run(QStringLiteral("playerctl"), {QStringLiteral("--player=kavu"), QStringLiteral("volume"), QStringLiteral("0.3")}));
        QCOMPARE(set->exitCode(), 0);
        // The sound server's stream, as its settings show it.
        QTRY_COMPARE_WITH_TIMEOUT(m_sound.streams().value(0).volumePercent, 30, 5000);
        std::unique_ptr<QProcess> read(run(QStringLiteral("playerctl"), {QStringLiteral("--player=kavu"), QStringLiteral("volume")}));
        QCOMPARE(read->readAllStandardOutput().trimmed().toDouble(), 0.3);
    }
    Running again;
    QCOMPARE(again.kavu->audioEngine()->volume(), 0.3);
    again.kavu->audioEngine()->setVolume(1.0);
}

void SessionTest::playingKeepsTheMachineAwake()
{
    PortalInhibitStandIn portal;
    QVERIFY(portal.start(m_bus.address()));
    {
        Running app;
        app.tap(QStringLiteral("4"));
        // Asked while it plays (for suspending: 4), let go within a second
        // of a pause, asked again, and let go when Kavu quits.
        QTRY_COMPARE_WITH_TIMEOUT(portal.calls(), QStringList{QStringLiteral("Inhibit 4")}, 10000);
        app.music()->remotePlayPause();
        QTRY_COMPARE_WITH_TIMEOUT(portal.calls().size(), 2, 1000);
        app.music()->remotePlayPause();
        QTRY_COMPARE(portal.calls().size(), 3);
    }
    QCOMPARE(portal.calls(), (QStringList{QStringLiteral("Inhibit 4"), QStringLiteral("Close"),
                                          QStringLiteral("Inhibit 4"), QStringLiteral("Close")}));
}

void SessionTest::aNewTrackIsToldWhileTheWindowIsInactive()
{
    const auto dunstctl = [](const QStringList &arguments) {
        std::unique_ptr<QProcess> process(run(QStringLiteral("dunstctl"), arguments));
        return process->readAllStandardOutput().trimmed();
    };
    Running app;
    // Another window in front.
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!app.kavu->window()->isActiveWindow());
    // Two tracks while the window is not in front: one notification, the
    // second track's, which replaced the first one's.
    app.tap(QStringLiteral("5"));
    QTRY_COMPARE_WITH_TIMEOUT(dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}), QByteArray("1"), 10000);
    app.tap(QStringLiteral("6"));
    QTRY_COMPARE_WITH_TIMEOUT(app.status(), QStringLiteral("Playing"), 10000);
    QTest::qWait(TrackNotifier::kCoverWaitMs + 500);
    QCOMPARE(dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}), QByteArray("1"));
    dunstctl({QStringLiteral("close-all")});
    const QJsonArray shown = QJsonDocument::fromJson(dunstctl({QStringLiteral("history")}))
                                 .object().value(QStringLiteral("data")).toArray().at(0).toArray();
    QCOMPARE(shown.size(), 1);
    const QJsonObject told = shown.at(0).toObject();
    QCOMPARE(told.value(QStringLiteral("summary")).toObject().value(QStringLiteral("data")).toString(), QStringLiteral("Paper Planes"));
    QCOMPARE(told.value(QStringLiteral("body")).toObject().value(QStringLiteral("data")).toString(), QStringLiteral("Lumen Trio"));
    QCOMPARE(told.value(QStringLiteral("appname")).toObject().value(QStringLiteral("data")).toString(), QStringLiteral("Kavu"));
    QVERIFY(told.value(QStringLiteral("icon_path")).toObject().value(QStringLiteral("data")).toString().endsWith(QLatin1String(".png")));

    // In front, the window shows the track itself: nothing is sent.
    app.kavu->window()->activateWindow();
    QTRY_VERIFY(app.kavu->window()->isActiveWindow());
    app.tap(QStringLiteral("7"));
    QTRY_COMPARE_WITH_TIMEOUT(app.status(), QStringLiteral("Playing"), 10000);
    QTest::qWait(TrackNotifier::kCoverWaitMs + 500);
    QCOMPARE(dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}), QByteArray("0"));
}

KAVU_TEST_MAIN(SessionTest)
#include "tst_session.moc"
