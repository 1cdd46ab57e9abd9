#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/MprisNowPlayingCenter.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
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
    void worksWithoutABus();

private:
    QVariantMap getAll(const QString &interface);

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
    QTest::addColumn<float>("rate");
    QTest::addColumn<QString>("status");
    QTest::newRow("playing") << true << 1.0f << "Playing";
    QTest::newRow("paused") << true << 0.0f << "Paused";
    QTest::newRow("cleared") << false << 0.0f << "Stopped";
}

void MprisTest::playbackStatus()
{
    QFETCH(bool, hasRecord);
    QFETCH(float, rate);
    QFETCH(QString, status);
    const std::optional<NowPlayingInfo> info =
        hasRecord ? std::optional<NowPlayingInfo>(track(QStringLiteral("a"), 0, rate)) : std::nullopt;
    QCOMPARE(MprisMetadata::playbackStatus(info), status);
}

void MprisTest::clientReadsWhatPlays()
{
    QTemporaryDir caches;
    MprisNowPlayingCenter center(*m_service, QStringLiteral("org.kavu.Kavu"), caches.path());
    QVERIFY(center.isPublishing());

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
    QCOMPARE(root.value(QStringLiteral("CanQuit")).toBool(), false);
    QCOMPARE(root.value(QStringLiteral("CanRaise")).toBool(), false);
    QVERIFY(root.value(QStringLiteral("SupportedUriSchemes")).toStringList().isEmpty());
    QCOMPARE(getAll(QStringLiteral("org.mpris.MediaPlayer2.Player"))
                 .value(QStringLiteral("PlaybackStatus")).toString(),
             QStringLiteral("Stopped"));

    // A track starts.
    center.setNowPlayingInfo(track(QStringLiteral("Белые ночи"), 10.0, 1.0f));
    QTRY_COMPARE(recorder.changes.size(), 1);
    QCOMPARE(recorder.changes.at(0).value(QStringLiteral("PlaybackStatus")).toString(),
             QStringLiteral("Playing"));
    QVERIFY(recorder.changes.at(0).contains(QStringLiteral("Metadata")));

    const QVariantMap player = getAll(QStringLiteral("org.mpris.MediaPlayer2.Player"));
    QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    QCOMPARE(player.value(QStringLiteral("Rate")).toDouble(), 1.0);
    QCOMPARE(player.value(QStringLiteral("CanControl")).toBool(), false);
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
    QVERIFY(metadata.value(QStringLiteral("mpris:trackid")).canConvert<QDBusObjectPath>());
    QVERIFY(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path().startsWith(
        QStringLiteral("/org/kavu/")));
    const QUrl artUrl(metadata.value(QStringLiteral("mpris:artUrl")).toString());
    QVERIFY(artUrl.isLocalFile());
    QVERIFY(QFile::exists(artUrl.toLocalFile()));
    QVERIFY(artUrl.toLocalFile().startsWith(caches.path()));

    // The tick republishes without a change: no signal. A pause changes the
    // status and the rate.
    center.setNowPlayingInfo(track(QStringLiteral("Белые ночи"), 11.0, 1.0f));
    center.setNowPlayingInfo(track(QStringLiteral("Белые ночи"), 11.0, 0.0f));
    QTRY_COMPARE(recorder.changes.size(), 2);
    QCOMPARE(recorder.changes.at(1).value(QStringLiteral("PlaybackStatus")).toString(),
             QStringLiteral("Paused"));
    QVERIFY(!recorder.changes.at(1).contains(QStringLiteral("Metadata")));
    QVERIFY(recorder.seeks.isEmpty());

    // A jump of the position goes out as Seeked.
    center.setNowPlayingInfo(track(QStringLiteral("Белые ночи"), 0.0, 0.0f));
    QTRY_COMPARE(recorder.seeks.size(), 1);
    QCOMPARE(recorder.seeks.at(0), 0LL);

    // Cleared: stopped, and the artwork file goes.
    center.setNowPlayingInfo(std::nullopt);
    QTRY_COMPARE(recorder.changes.size(), 3);
    QCOMPARE(recorder.changes.at(2).value(QStringLiteral("PlaybackStatus")).toString(),
             QStringLiteral("Stopped"));
    QVERIFY(!QFile::exists(artUrl.toLocalFile()));
}

void MprisTest::worksWithoutABus()
{
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("No session bus")));
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("kavu-none"));
    QTemporaryDir caches;
    MprisNowPlayingCenter center(none, QStringLiteral("org.kavu.Kavu"), caches.path());
    QVERIFY(!center.isPublishing());
    center.setNowPlayingInfo(track(QStringLiteral("x"), 1, 1));
    QCOMPARE(center.playbackStatus(), QStringLiteral("Playing"));
    center.setNowPlayingInfo(std::nullopt);
    QCOMPARE(center.playbackStatus(), QStringLiteral("Stopped"));
}

QTEST_GUILESS_MAIN(MprisTest)
#include "tst_mpris.moc"
