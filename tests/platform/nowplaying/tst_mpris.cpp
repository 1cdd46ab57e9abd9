#include "FaultServer.h"
#include "LocalHttpServer.h"
#include "TestPlatform.h"
#include "allmusic/AllmusicViewController.h"
#include "catalogue/AlbunsViewController.h"
#include "catalogue/SecondViewController.h"
#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/MprisNowPlayingCenter.h"
#include "platform/nowplaying/NowPlayingCommandTarget.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

namespace {

// Collects the Player interface's signals as a separate client sees them.
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

public Q_SLOTS:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface == QLatin1String("org.mpris.MediaPlayer2.Player"))
            changes.append(changed);
    }
    void seeked(qlonglong position) { seeks.append(position); }
};

// A source that records the commands it is given.
class RecordingTarget : public NowPlayingCommandTarget
{
public:
    void remotePlayPause() override { calls << QStringLiteral("play-pause"); }
    void remoteNext() override { calls << QStringLiteral("next"); }
    void remotePrevious() override { calls << QStringLiteral("previous"); }
    void remoteSeekTo(double seconds) override { calls << QStringLiteral("seek %1").arg(seconds); }
    QStringList calls;
};

NowPlayingInfo track(const QString &title, double elapsed, float rate)
{
    NowPlayingInfo info;
    info.title = title;
    info.artist = QStringLiteral("Кавуновый оркестр");
    // One picture for every record, as a screen's background keeps its image.
    static const QImage artwork = [] {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    }();
    info.artwork = artwork;
    info.playbackDuration = 212.5;
    info.elapsedPlaybackTime = elapsed;
    info.playbackRate = rate;
    return info;
}

} // namespace

// MPRIS2 on a private session bus started by the test, read by a separate
// bus client.
class MprisTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void playbackStatus_data();
    void playbackStatus();
    void clientReadsWhatPlays();
    void introspectionListsTheMprisInterfaces();
    void playerctlControlsTheScreenThatPlays();
    void commandsWithNothingToControl_data();
    void commandsWithNothingToControl();
    void worksWithoutABus();

private:
    QVariantMap getAll(const QString &interface);
    QString playerctl(const QStringList &arguments);

    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<QDBusConnection> m_service;
    std::unique_ptr<QDBusConnection> m_client;
};

void MprisTest::initTestCase()
{
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    QVERIFY2(m_daemon.waitForStarted(5000), "dbus-daemon is needed for this test");
    QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine(), 5000);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    m_service = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(m_address, QStringLiteral("kavu-service")));
    m_client = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(m_address, QStringLiteral("kavu-client")));
    QVERIFY(m_service->isConnected());
    QVERIFY(m_client->isConnected());
}

void MprisTest::cleanupTestCase()
{
    m_service.reset();
    m_client.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("kavu-service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("kavu-client"));
    m_daemon.terminate();
    m_daemon.waitForFinished(3000);
}

QVariantMap MprisTest::getAll(const QString &interface)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.mpris.MediaPlayer2.kavu"), QStringLiteral("/org/mpris/MediaPlayer2"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    call << interface;
    QDBusPendingReply<QVariantMap> reply = m_client->asyncCall(call);
    if (!QTest::qWaitFor([&] { return reply.isFinished(); }, 5000) || reply.isError())
        return {};
    return reply.value();
}

void MprisTest::playbackStatus_data()
{
    QTest::addColumn<bool>("hasRecord");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("control");
    QTest::newRow("playing") << true << int(NowPlayingState::Playing) << "Playing" << true;
    QTest::newRow("paused") << true << int(NowPlayingState::Paused) << "Paused" << true;
    QTest::newRow("ended") << true << int(NowPlayingState::Ended) << "Stopped" << true;
    QTest::newRow("loading the next") << true << int(NowPlayingState::Loading) << "Stopped" << false;
    QTest::newRow("failed") << true << int(NowPlayingState::NoPlayer) << "Stopped" << false;
    QTest::newRow("cleared") << false << int(NowPlayingState::Paused) << "Stopped" << true;
}

void MprisTest::playbackStatus()
{
    QFETCH(bool, hasRecord);
    QFETCH(int, state);
    QFETCH(QString, status);
    QFETCH(bool, control);
    const std::optional<NowPlayingInfo> info =
        hasRecord ? std::optional<NowPlayingInfo>(track(QStringLiteral("a"), 0, 1)) : std::nullopt;
    QCOMPARE(MprisMetadata::playbackStatus(info, NowPlayingState(state)), status);
    QCOMPARE(MprisMetadata::canControl(NowPlayingState(state)), control);
}

void MprisTest::clientReadsWhatPlays()
{
    QTemporaryDir caches;
    MprisNowPlayingCenter center(*m_service, QStringLiteral("org.kavu.Kavu"), caches.path());
    QVERIFY(center.isPublishing());
    RecordingTarget screen;

    SignalRecorder recorder;
    QVERIFY(m_client->connect(QStringLiteral("org.mpris.MediaPlayer2.kavu"),
                              QStringLiteral("/org/mpris/MediaPlayer2"),
                              QStringLiteral("org.freedesktop.DBus.Properties"),
                              QStringLiteral("PropertiesChanged"), &recorder,
                              SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    QVERIFY(m_client->connect(QStringLiteral("org.mpris.MediaPlayer2.kavu"),
                              QStringLiteral("/org/mpris/MediaPlayer2"),
                              QStringLiteral("org.mpris.MediaPlayer2.Player"),
                              QStringLiteral("Seeked"), &recorder, SLOT(seeked(qlonglong))));

    const QVariantMap root = getAll(QStringLiteral("org.mpris.MediaPlayer2"));
    QCOMPARE(root.value(QStringLiteral("Identity")).toString(), QStringLiteral("Kavu"));
    QCOMPARE(root.value(QStringLiteral("DesktopEntry")).toString(), QStringLiteral("org.kavu.Kavu"));
    QCOMPARE(root.value(QStringLiteral("HasTrackList")).toBool(), false);
    QCOMPARE(root.value(QStringLiteral("CanQuit")).toBool(), true);
    QCOMPARE(root.value(QStringLiteral("CanRaise")).toBool(), true);
    QVERIFY(root.value(QStringLiteral("SupportedUriSchemes")).toStringList().isEmpty());
    QVariantMap player = getAll(QStringLiteral("org.mpris.MediaPlayer2.Player"));
    QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    QCOMPARE(player.value(QStringLiteral("CanControl")).toBool(), true);
    QCOMPARE(player.value(QStringLiteral("CanPlay")).toBool(), false);

    // A track starts: one change, at the end of the turn, with everything.
    center.setNowPlayingInfo(&screen, track(QStringLiteral("Белые ночи"), 10.0, 1.0f));
    center.setNowPlayingState(&screen, NowPlayingState::Playing);
    // The cover is written off the GUI thread, then told.
    QTRY_COMPARE(recorder.changes.size(), 2);
    QCOMPARE(recorder.changes.at(0).value(QStringLiteral("PlaybackStatus")).toString(),
             QStringLiteral("Playing"));
    QVERIFY(recorder.changes.at(0).contains(QStringLiteral("Metadata")));
    QCOMPARE(recorder.changes.at(0).value(QStringLiteral("CanGoNext")).toBool(), true);
    QCOMPARE(recorder.changes.at(1).keys(), QStringList{QStringLiteral("Metadata")});

    player = getAll(QStringLiteral("org.mpris.MediaPlayer2.Player"));
    QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    QCOMPARE(player.value(QStringLiteral("Rate")).toDouble(), 1.0);
    const qlonglong position = player.value(QStringLiteral("Position")).toLongLong();
    QVERIFY2(position >= 10'000'000 && position < 12'000'000, qPrintable(QString::number(position)));

    const QVariantMap metadata =
        qdbus_cast<QVariantMap>(player.value(QStringLiteral("Metadata")).value<QDBusArgument>());
    QCOMPARE(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Белые ночи"));
    QCOMPARE(metadata.value(QStringLiteral("xesam:artist")).typeId(), QMetaType::QStringList);
    QCOMPARE(metadata.value(QStringLiteral("xesam:artist")).toStringList(),
             QStringList{QStringLiteral("Кавуновый оркестр")});
    QCOMPARE(metadata.value(QStringLiteral("mpris:length")).typeId(), QMetaType::LongLong);
    QCOMPARE(metadata.value(QStringLiteral("mpris:length")).toLongLong(), 212'500'000LL);
    QVERIFY(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path().startsWith(
        QStringLiteral("/org/kavu/")));
    const QUrl artUrl(center.metadata().value(QStringLiteral("mpris:artUrl")).toString());
    QVERIFY(artUrl.isLocalFile());
    QVERIFY(QFile::exists(artUrl.toLocalFile()));
    QVERIFY(artUrl.toLocalFile().startsWith(caches.path()));

    // The tick republishes without a change: no signal. A pause changes the
    // status; a seek goes out as Seeked.
    center.setNowPlayingInfo(&screen, track(QStringLiteral("Белые ночи"), 11.0, 1.0f));
    center.setNowPlayingInfo(&screen, track(QStringLiteral("Белые ночи"), 11.0, 0.0f));
    center.setNowPlayingState(&screen, NowPlayingState::Paused);
    QTRY_COMPARE(recorder.changes.size(), 3);
    QCOMPARE(recorder.changes.at(2), (QVariantMap{{QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")}}));
    center.setNowPlayingInfo(&screen, track(QStringLiteral("Белые ночи"), 0.0, 0.0f));
    center.seeked(&screen);
    QTRY_COMPARE(recorder.seeks, QList<qlonglong>{0});

    // Cleared: stopped, and the artwork file goes.
    center.setNowPlayingInfo(&screen, std::nullopt);
    center.setNowPlayingState(&screen, NowPlayingState::NoPlayer);
    QTRY_COMPARE(recorder.changes.size(), 4);
    QCOMPARE(recorder.changes.at(3).value(QStringLiteral("PlaybackStatus")).toString(),
             QStringLiteral("Stopped"));
    QCOMPARE(recorder.changes.at(3).value(QStringLiteral("CanPlay")).toBool(), false);
    QVERIFY(!QFile::exists(artUrl.toLocalFile()));
}

void MprisTest::introspectionListsTheMprisInterfaces()
{
    QTemporaryDir caches;
    MprisNowPlayingCenter center(*m_service, QStringLiteral("org.kavu.Kavu"), caches.path());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.mpris.MediaPlayer2.kavu"), QStringLiteral("/org/mpris/MediaPlayer2"),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    QDBusPendingReply<QString> reply = m_client->asyncCall(call);
    QVERIFY(QTest::qWaitFor([&] { return reply.isFinished(); }, 5000) && !reply.isError());
    QDomDocument xml;
    QVERIFY(xml.setContent(reply.value()));
    // Every member with its signature, as the MPRIS2 D-Bus interfaces define them.
    QStringList members;
    const QDomNodeList interfaces = xml.documentElement().elementsByTagName(QStringLiteral("interface"));
    for (int i = 0; i < interfaces.size(); ++i) {
        const QDomElement interface = interfaces.at(i).toElement();
        const QString name = interface.attribute(QStringLiteral("name"));
        if (!name.startsWith(QLatin1String("org.mpris.")))
            continue;
        for (QDomElement member = interface.firstChildElement(); !member.isNull();
             member = member.nextSiblingElement()) {
            QString signature;
            for (QDomElement arg = member.firstChildElement(QStringLiteral("arg")); !arg.isNull();
                 arg = arg.nextSiblingElement(QStringLiteral("arg")))
                signature += arg.attribute(QStringLiteral("type"));
            members << QStringLiteral("%1.%2 %3").arg(name.mid(23), member.attribute(QStringLiteral("name")),
                                                      member.attribute(QStringLiteral("type"), signature));
        }
    }
    members.sort();
    QCOMPARE(members, (QStringList{
        QStringLiteral(".CanQuit b"), QStringLiteral(".CanRaise b"), QStringLiteral(".DesktopEntry s"),
        QStringLiteral(".HasTrackList b"), QStringLiteral(".Identity s"), QStringLiteral(".Quit "),
        QStringLiteral(".Raise "), QStringLiteral(".SupportedMimeTypes as"),
        QStringLiteral(".SupportedUriSchemes as"), QStringLiteral("Player.CanControl b"),
        QStringLiteral("Player.CanGoNext b"), QStringLiteral("Player.CanGoPrevious b"),
        QStringLiteral("Player.CanPause b"), QStringLiteral("Player.CanPlay b"), QStringLiteral("Player.CanSeek b"),
        QStringLiteral("Player.MaximumRate d"), QStringLiteral("Player.Metadata a{sv}"),
        QStringLiteral("Player.MinimumRate d"), QStringLiteral("Player.Next "), QStringLiteral("Player.OpenUri s"),
        QStringLiteral("Player.Pause "), QStringLiteral("Player.Play "), QStringLiteral("Player.PlayPause "),
        QStringLiteral("Player.PlaybackStatus s"), QStringLiteral("Player.Position x"),
        QStringLiteral("Player.Previous "), QStringLiteral("Player.Rate d"), QStringLiteral("Player.Seek x"),
        QStringLiteral("Player.Seeked x"), QStringLiteral("Player.SetPosition ox"), QStringLiteral("Player.Stop "),
        QStringLiteral("Player.Volume d")}));
}

QString MprisTest::playerctl(const QStringList &arguments)
{
    // Run beside the event loop: the answers come from this process.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("--player=kavu")} + arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000))
        return QStringLiteral("(no answer)");
    QCoreApplication::processEvents();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void MprisTest::playerctlControlsTheScreenThatPlays()
{
    LocalHttpServer catalogue;
    QVERIFY(catalogue.listen());
    catalogue.setHandler([&catalogue](const HttpRequest &request) {
        const QString song = request.query().contains(QLatin1String("id=2")) ? QStringLiteral("Второй") : QStringLiteral("Первый");
        return HttpReply::text(QStringLiteral("%1/a.wav,%1/c.png,%2,Оркестр,n:2").arg(catalogue.origin(), song).toUtf8());
    });
    QTemporaryDir caches;
    MprisNowPlayingCenter center(*m_service, QStringLiteral("org.kavu.Kavu"), caches.path());
    QWidget *raised = nullptr;
    center.setRaiseHandler([&raised](NowPlayingCommandTarget *owner) { raised = dynamic_cast<QWidget *>(owner); });
    TestPlatform platform;
    platform.services.nowPlaying = &center;
    platform.services.bundle.serviceHostOrigin = catalogue.origin();
    platform.userDefaults->setString(QStringLiteral("customURL"), catalogue.origin() + QStringLiteral("/kavu"));
    SecondViewController music(platform.services);
    AlbunsViewController albums(platform.services);
    AllmusicViewController direct(platform.services);
    for (ViewController *screen : std::initializer_list<ViewController *>{&music, &albums, &direct}) {
        screen->resize(320, 480);
        screen->loadViewIfNeeded();
    }

    music.fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_VERIFY(music.player());
    platform.streamingPlayers.lastItem()->setDuration(212.0);
    QCOMPARE(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("Первый"));
    QCOMPARE(playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    QCOMPARE(playerctl({QStringLiteral("play-pause")}), QString());
    QCOMPARE(music.player()->rate(), 0.0f);
    QCOMPARE(playerctl({QStringLiteral("status")}), QStringLiteral("Paused"));
    playerctl({QStringLiteral("play")});
    QCOMPARE(music.player()->rate(), 1.0f);
    playerctl({QStringLiteral("position"), QStringLiteral("30")});
    QCOMPARE(music.player()->currentTime(), 30.0);
    // Five seconds on from where it plays (which moved on while the
    // command came).
    playerctl({QStringLiteral("position"), QStringLiteral("5+")});
    QVERIFY2(qAbs(music.player()->currentTime() - 35.0) < 0.25, qPrintable(QString::number(music.player()->currentTime())));
    playerctl({QStringLiteral("previous")});
    QCOMPARE(music.player()->currentTime(), 0.0);
    playerctl({QStringLiteral("stop")});
    QCOMPARE(music.player()->rate(), 0.0f);
    QCOMPARE(playerctl({QStringLiteral("status")}), QStringLiteral("Paused"));
    // Next is the forward button: the next track is asked for, and shows.
    catalogue.clearRequests();
    playerctl({QStringLiteral("next")});
    QTRY_COMPARE(catalogue.requestTargets(), QStringList{QStringLiteral("/kavu/API/get-info-songs.php?id=2")});
    QTRY_COMPARE(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("Второй"));

    // The screen that starts playing takes the desktop over; one that goes on
    // playing in the background, or a back action on it, leaves it so.
    FakeStreamingPlayer *background = platform.streamingPlayers.lastPlayer();
    albums.fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_VERIFY(albums.player());
    background->tick(3);
    QTRY_COMPARE(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("Первый"));
    music.playerBackButtonTapped();
    QTRY_COMPARE(playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    playerctl({QStringLiteral("play-pause")});
    QCOMPARE(albums.player()->rate(), 0.0f);
    // The direct player publishes what it plays too.
    direct.fetchDataFromServerWithID(QStringLiteral("1"));
    QTRY_VERIFY(direct.audioPlayer());
    QTRY_COMPARE(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("Первый"));
    QCOMPARE(playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    playerctl({QStringLiteral("play-pause")});
    QVERIFY(!direct.audioPlayer()->isPlaying());
    // Raise shows the screen that plays.
    QDBusMessage raise = QDBusMessage::createMethodCall(
        QStringLiteral("org.mpris.MediaPlayer2.kavu"), QStringLiteral("/org/mpris/MediaPlayer2"),
        QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise"));
    m_client->asyncCall(raise);
    QTRY_COMPARE(raised, static_cast<QWidget *>(&direct));
}

void MprisTest::commandsWithNothingToControl_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("no player yet") << "idle";
    QTest::newRow("track information loading") << "loading";
    QTest::newRow("track information failed") << "refused";
    QTest::newRow("stream failed") << "stream failed";
}

void MprisTest::commandsWithNothingToControl()
{
    // Every command from the desktop while there is nothing to control is
    // answered, and changes nothing: no request, no alert, no player.
    QFETCH(QString, state);
    FaultServer faults;
    QVERIFY(faults.listen());
    faults.setFault(state == QLatin1String("loading") ? FaultServer::Fault::Silent : FaultServer::Fault::Refused);
    LocalHttpServer catalogue;
    QVERIFY(catalogue.listen());
    catalogue.setHandler([&catalogue](const HttpRequest &) {
        return HttpReply::text(QStringLiteral("%1/a.wav,%1/c.png,Песня,Оркестр,n:2").arg(catalogue.origin()).toUtf8());
    });
    const QString origin = state == QLatin1String("stream failed") ? catalogue.origin() : faults.origin();
    QTemporaryDir caches;
    MprisNowPlayingCenter center(*m_service, QStringLiteral("org.kavu.Kavu"), caches.path());
    TestPlatform platform;
    platform.services.nowPlaying = &center;
    platform.userDefaults->setString(QStringLiteral("customURL"), origin + QStringLiteral("/kavu"));
    SecondViewController music(platform.services);
    music.resize(320, 480);
    music.loadViewIfNeeded();
    if (state != QLatin1String("idle"))
        music.fetchDataFromServerWithID(QStringLiteral("1"), false);
    if (state == QLatin1String("refused"))
        QTRY_COMPARE(platform.alerts.count(), 1);
    if (state == QLatin1String("loading"))
        QTRY_VERIFY(faults.connections() > 0);
    if (state == QLatin1String("stream failed")) {
        QTRY_VERIFY(platform.streamingPlayers.lastItem());
        platform.streamingPlayers.lastItem()->fail(QStringLiteral("broken"));
        QTRY_COMPARE(platform.alerts.count(), 1);
    }
    const int alerts = platform.alerts.count();
    const int connections = faults.connections();
    catalogue.clearRequests();
    for (const char *command : {"play", "pause", "play-pause", "next", "previous", "stop"})
        playerctl({QString::fromLatin1(command)});
    playerctl({QStringLiteral("position"), QStringLiteral("10")});
    QCOMPARE(playerctl({QStringLiteral("status")}), QStringLiteral("Stopped"));
    QTest::qWait(100);
    QCOMPARE(platform.alerts.count(), alerts);
    QCOMPARE(faults.connections(), connections);
    QVERIFY(catalogue.requests().isEmpty());
    QVERIFY(!music.player());
}

void MprisTest::worksWithoutABus()
{
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("No session bus")));
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("kavu-none"));
    QTemporaryDir caches;
    MprisNowPlayingCenter center(none, QStringLiteral("org.kavu.Kavu"), caches.path());
    QVERIFY(!center.isPublishing());
    RecordingTarget screen;
    center.setNowPlayingInfo(&screen, track(QStringLiteral("x"), 1, 1));
    center.setNowPlayingState(&screen, NowPlayingState::Playing);
    QCOMPARE(center.playbackStatus(), QStringLiteral("Playing"));
    center.playPause();
    QCOMPARE(screen.calls, QStringList{QStringLiteral("play-pause")});
    center.setNowPlayingInfo(&screen, std::nullopt);
    QCOMPARE(center.playbackStatus(), QStringLiteral("Stopped"));
}

QTEST_MAIN(MprisTest)
#include "tst_mpris.moc"
