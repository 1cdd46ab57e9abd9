#include "EncodedAudio.h"
#include "FaultServer.h"
#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "SoundServer.h"
#include "TestPlatform.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoAudio.h"
#include "demo/DemoService.h"
#include "platform/media/AudioEngine.h"
#include "platform/media/FilePlayer.h"
#include "platform/media/FilePlayerCreation.h"
#include "platform/media/MediaFilePlayerFactory.h"
#include "platform/media/MediaStreamingPlayer.h"
#include "platform/media/MediaStreamingPlayerFactory.h"
#include "platform/media/MediaStreamingPlayerItem.h"
#include "platform/media/PlaybackPipeline.h"
#include "platform/net/UrlLoader.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QTest>

#include <memory>

// The streaming and file players on the application's GStreamer engine,
// playing generated audio from local servers into a sound server of the
// test's own, whose output is recorded and listened to.
class MediaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void itemsOnlyForWebAddresses();
    void playsToTheEndAndTicks();
    void brokenStreamsFail_data();
    void brokenStreamsFail();
    void seekLandsWhereAsked();
    void detachedItemReportsNothing();
    void droppingAStartingStreamDoesNotWait();
    void aTappedTrackIsHeardUnderItsNames();
    void chainedTracksFollowWithoutAGap();
    void aNextItemNamedLateStillFollows();
    void aBrokenDownloadIsRiddenOut_data();
    void aBrokenDownloadIsRiddenOut();
    void seekingAheadAsksForTheRestOnce();
    void commandsNearTheEnd_data();
    void commandsNearTheEnd();
    void aFollowingTrackThatFails_data();
    void aFollowingTrackThatFails();
    void theSoundServerComesAndGoes();
    void aResumedDownloadIsOneTrack_data();
    void aResumedDownloadIsOneTrack();
    void formatsFollowEachOther();
    void filePlayerPlaysAWholeTrack();
    void filePlayerCreationFails_data();
    void filePlayerCreationFails();
    void filePlayerDownloadsAsLongAsItMakesProgress();
    void leftoverTracksGoAtTheNextStart();

private:
    std::unique_ptr<StreamingPlayer> makePlayer(const QString &path, StreamingPlayerItem **item = nullptr);

    SoundServer m_sound;
    LocalHttpServer m_server;
    QTemporaryDir m_tracks;
    AudioEngine m_engine;
    UrlLoader m_loader;
    MediaStreamingPlayerFactory m_factory{&m_engine, &m_loader, m_tracks.path()};
};

namespace {

// A Music screen with the real streaming players, on a demo service.
struct MusicScreen
{
    explicit MusicScreen(MediaStreamingPlayerFactory *players, const DemoService &demo)
    {
        platform.services.streamingPlayers = players;
        platform.userDefaults->setString(QStringLiteral("customURL"), demo.siteAddress());
        screen = std::make_unique<SecondViewController>(platform.services);
        screen->resize(320, 480);
        screen->loadViewIfNeeded();
    }

    TestPlatform platform;
    std::unique_ptr<SecondViewController> screen;
};

// How long the players here wait for missing bytes before they give up.
constexpr int kWaitTimeoutMs = 3000;

// Bytes of demo audio a second (16-bit mono).
constexpr qint64 kAudioRate = DemoAudio::kSampleRate * 2;

// Steady tones for the demo's first tracks, so that what is heard tells
// which track plays: 440 Hz, 660 Hz, 880 Hz.
double toneOf(int trackId)
{
    return 220.0 * (trackId + 1);
}

void useTones(DemoService &demo, double seconds)
{
    demo.setTrackSeconds(seconds);
    for (int trackId = 1; trackId <= 3; ++trackId)
        demo.setTrackAudio(trackId, DemoAudio::toneWav(toneOf(trackId), seconds));
}

bool reaches(SecondViewController *screen, double seconds)
{
    return QTest::qWaitFor([&] { return screen->player() && screen->player()->currentTime() >= seconds; }, 10000);
}

QStringList leftoverTracks(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("stream-*.part")}, QDir::Files);
}

} // namespace

void MediaTest::initTestCase()
{
    QString error;
    QVERIFY2(m_sound.start(&error), qPrintable(error));
    QVERIFY(m_server.listen());
    HttpReply shortTrack;
    shortTrack.contentType = "audio/wav";
    shortTrack.body = DemoAudio::wavOfLength(1, 2.5);
    shortTrack.acceptRanges = true;
    m_server.route(QStringLiteral("/short.wav"), shortTrack);
    HttpReply longTrack = shortTrack;
    longTrack.body = DemoAudio::steppedToneWav(12.0);
    m_server.route(QStringLiteral("/long.wav"), longTrack);
    HttpReply garbage;
    garbage.contentType = "audio/wav";
    garbage.body = QByteArray(64 * 1024, '\x5a');
    m_server.route(QStringLiteral("/garbage.wav"), garbage);
    HttpReply slowTrack = shortTrack;
    slowTrack.delayMs = 800;
    m_server.route(QStringLiteral("/slow.wav"), slowTrack);
    HttpReply truncated = shortTrack;
    truncated.body = shortTrack.body.left(30);
    m_server.route(QStringLiteral("/truncated.wav"), truncated);
    m_factory.setWaitTimeoutMs(kWaitTimeoutMs);
}

std::unique_ptr<StreamingPlayer> MediaTest::makePlayer(const QString &path, StreamingPlayerItem **itemOut)
{
    StreamingPlayerItem *item = m_factory.playerItemWithURL(m_server.url(path));
    if (itemOut)
        *itemOut = item;
    return std::unique_ptr<StreamingPlayer>(m_factory.playerWithPlayerItem(item));
}

void MediaTest::itemsOnlyForWebAddresses()
{
    QVERIFY(!m_factory.playerItemWithURL(QUrl(QStringLiteral("file:///etc/hostname"))));
    QVERIFY(!m_factory.playerItemWithURL(QUrl()));
    std::unique_ptr<StreamingPlayerItem> item(m_factory.playerItemWithURL(m_server.url(QStringLiteral("/a"))));
    QVERIFY(item);
    QVERIFY(std::isnan(item->duration()));
}

void MediaTest::playsToTheEndAndTicks()
{
    StreamingPlayerItem *item = nullptr;
    auto player = makePlayer(QStringLiteral("/short.wav"), &item);
    QVERIFY(player);
    QCOMPARE(player->currentItem(), item);
    QSignalSpy ended(item, &StreamingPlayerItem::didPlayToEndTime);
    QSignalSpy failed(item, &StreamingPlayerItem::failedToPlayToEndTime);
    QSignalSpy duration(item, &StreamingPlayerItem::durationChanged);
    QList<double> ticks;
    player->addPeriodicTimeObserver(1.0, [&](double time) { ticks.append(time); });
    QCOMPARE(player->rate(), 0.0f);
    player->play();
    QCOMPARE(player->rate(), 1.0f);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 15000);
    QCOMPARE(failed.count(), 0);
    QVERIFY(duration.count() >= 1);
    QVERIFY(qAbs(item->duration() - 2.5) < 0.1);
    // One tick a second while it played, each with a later time.
    QVERIFY2(ticks.size() >= 1 && ticks.size() <= 4, qPrintable(QString::number(ticks.size())));
    for (int i = 1; i < ticks.size(); ++i)
        QVERIFY(ticks.at(i) > ticks.at(i - 1));
    // At the end the player no longer plays, and the tick stops.
    QCOMPARE(player->rate(), 0.0f);
    const int ticksAtEnd = ticks.size();
    QTest::qWait(1300);
    QCOMPARE(ticks.size(), ticksAtEnd);
    // The track's file goes with its player.
    player.reset();
    QTRY_COMPARE(QDir(m_tracks.path()).entryList(QDir::Files), QStringList());
}

void MediaTest::brokenStreamsFail_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("not found") << "/missing.wav";
    QTest::newRow("garbage bytes") << "/garbage.wav";
    QTest::newRow("truncated") << "/truncated.wav";
}

void MediaTest::brokenStreamsFail()
{
    QFETCH(QString, path);
    StreamingPlayerItem *item = nullptr;
    auto player = makePlayer(path, &item);
    QSignalSpy failed(item, &StreamingPlayerItem::failedToPlayToEndTime);
    QSignalSpy ended(item, &StreamingPlayerItem::didPlayToEndTime);
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() + ended.count() >= 1, 15000);
    QCOMPARE(failed.count(), 1);
    QVERIFY(!failed.at(0).at(0).toString().isEmpty());
    // The backend no longer reads as playing.
    QCOMPARE(player->rate(), 0.0f);
}

void MediaTest::seekLandsWhereAsked()
{
    // The track's pitch steps up every second: what is heard after a seek
    // tells where it went.
    auto player = makePlayer(QStringLiteral("/long.wav"));
    QVERIFY(m_sound.startRecording());
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0.3, 10000);
    const qint64 sought = SoundServer::nowNs();
    player->seekToTime(8.0);
    QTest::qWait(600);
    // Paused and rewound, it stays silent at the start, and starts there.
    player->pause();
    player->seekToTime(0);
    QTest::qWait(500);
    const qint64 played = SoundServer::nowNs();
    player->play();
    QTest::qWait(400);
    const SoundRecording heard = m_sound.stopRecording();
    const qint64 at8 = heard.firstToneAfterNs(DemoAudio::steppedToneFrequency(8), sought);
    QVERIFY2(at8 > 0 && at8 - sought < 200000000LL, qPrintable(QString::number((at8 - sought) / 1e6)));
    QCOMPARE(heard.soundMs(played - 300000000LL, played - 20000000LL), 0.0);
    const qint64 at0 = heard.firstToneAfterNs(DemoAudio::steppedToneFrequency(0), played);
    QVERIFY2(at0 > 0 && at0 - played < 200000000LL, qPrintable(QString::number((at0 - played) / 1e6)));
    QVERIFY(player->currentTime() < 1.0);
}

void MediaTest::detachedItemReportsNothing()
{
    StreamingPlayerItem *item = nullptr;
    auto player = makePlayer(QStringLiteral("/short.wav"), &item);
    QPointer<StreamingPlayerItem> guarded(item);
    QSignalSpy ended(item, &StreamingPlayerItem::didPlayToEndTime);
    int ticks = 0;
    player->addPeriodicTimeObserver(1.0, [&](double) { ++ticks; });
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0, 10000);
    player->replaceCurrentItemWithPlayerItem(nullptr);
    QCOMPARE(player->currentItem(), nullptr);
    QCOMPARE(player->rate(), 0.0f);
    const int ticksAtDetach = ticks;
    // Longer than the track: its end is never reported, and nothing ticks.
    QTest::qWait(3500);
    QCOMPARE(ended.count(), 0);
    QCOMPARE(ticks, ticksAtDetach);
    QVERIFY(guarded.isNull()); // the player released the detached item
}

void MediaTest::droppingAStartingStreamDoesNotWait()
{
    // A tap on the next track drops a player whose stream may not have
    // started. Qt's backend waits up to a second when such a player is
    // stopped; dropping it must not freeze the window for that long.
    for (const bool detachFirst : {true, false}) {
        auto player = makePlayer(QStringLiteral("/slow.wav"));
        player->play();
        QTest::qWait(20);
        QElapsedTimer clock;
        clock.start();
        player->pause();
        if (detachFirst)
            player->replaceCurrentItemWithPlayerItem(nullptr);
        player.reset();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    }
}

void MediaTest::aTappedTrackIsHeardUnderItsNames()
{
    
    DemoService demo;
    QVERIFY(demo.start());
    demo.setTrackSeconds(5);
    MusicScreen music(&m_factory, demo);
    QVERIFY(m_sound.startRecording());
    const qint64 tapped = SoundServer::nowNs();
    music.screen->fetchDataFromServerWithID(QStringLiteral("2"), false);
    QTRY_VERIFY_WITH_TIMEOUT(music.screen->player() && music.screen->player()->currentTime() > 1.0, 10000);
    QCOMPARE(AudioEngine::outputName(), QStringLiteral("pulsesink"));

    // The desktop's sound settings see whose stream it is, and what plays.
    SoundServer::Stream kavu;
    for (const SoundServer::Stream &stream : m_sound.streams()) {
        if (stream.properties.value(QStringLiteral("application.name")) == QLatin1String("Kavu"))
            kavu = stream;
    }
    QCOMPARE(kavu.properties.value(QStringLiteral("media.role")), QStringLiteral("music"));
    QCOMPARE(kavu.properties.value(QStringLiteral("application.icon_name")), QStringLiteral("org.kavu.Kavu"));
    const QString name = kavu.properties.value(QStringLiteral("media.name"));
    QVERIFY2(name.contains(QLatin1String("Morning Drive")) && name.contains(QLatin1String("The Kavu Band")),
             qPrintable(name));
    // The application's one volume is the stream's, as the settings show it.
    m_engine.setVolume(0.5);
    QTRY_COMPARE(m_sound.streams().value(0).volumePercent, 50);
    m_engine.setVolume(1.0);

    music.screen->playerBackButtonTapped();
    const SoundRecording heard = m_sound.stopRecording();
    const double start = heard.msToFirstSoundAfter(tapped);
    QVERIFY2(start >= 0 && start < 2000, qPrintable(QString::number(start)));
    QVERIFY(heard.soundMs(tapped, SoundServer::nowNs()) > 900);
}

void MediaTest::chainedTracksFollowWithoutAGap()
{
    // Three-second tracks, each naming the next: the next is asked for
    // ahead and follows sample for sample, its stream asked for once.
    DemoService demo;
    QVERIFY(demo.start());
    demo.setTrackSeconds(3);
    MusicScreen music(&m_factory, demo);
    QVERIFY(m_sound.startRecording());
    const qint64 tapped = SoundServer::nowNs();
    music.screen->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_VERIFY_WITH_TIMEOUT(music.screen->currentSongID() == QStringLiteral("3") && music.screen->player()
                                 && music.screen->player()->currentTime() > 0.7,
                             15000);
    music.screen->playerBackButtonTapped();
    const SoundRecording heard = m_sound.stopRecording();
    const double start = heard.msToFirstSoundAfter(tapped);
    QVERIFY(start >= 0);
    const qint64 firstSound = tapped + qint64(start * 1e6);
    // Both hand-overs, at 3 s and at 6 s, lie within.
    const double gap = heard.longestSilenceWithinMs(firstSound, firstSound + 6500 * 1000000LL);
    QVERIFY2(gap < 10, qPrintable(QString::number(gap)));
    QCOMPARE(music.screen->songNameLabel()->text(), QStringLiteral("Летний дождь"));
    const QList<QString> requests = demo.requestLog();
    for (const char *track : {"/media/track-1.wav", "/media/track-2.wav"})
        QCOMPARE(requests.count(QLatin1String(track)), 1);
    QCOMPARE(requests.filter(QStringLiteral("bytes=")), QList<QString>());
}

void MediaTest::aNextItemNamedLateStillFollows()
{
    // Named once the current track has been read to its end, the next one
    // cannot follow sample for sample; it starts as the current one ends.
    StreamingPlayerItem *item = nullptr;
    auto player = makePlayer(QStringLiteral("/short.wav"), &item);
    QSignalSpy ended(item, &StreamingPlayerItem::didPlayToEndTime);
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 2.0, 10000);
    std::unique_ptr<StreamingPlayerItem> next(m_factory.playerItemWithURL(m_server.url(QStringLiteral("/long.wav"))));
    player->setNextItem(next.get());
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 5000);
    std::unique_ptr<StreamingPlayer> following(m_factory.playerWithPlayerItem(next.release()));
    QCOMPARE(following->rate(), 1.0f);
    QTRY_VERIFY_WITH_TIMEOUT(following->currentTime() > 0.5, 5000);
}

void MediaTest::aBrokenDownloadIsRiddenOut_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("speed");     // times as fast as it plays
    QTest::addColumn<double>("breakAt"); // seconds of playback
    QTest::addColumn<int>("outageMs");
    QTest::addColumn<bool>("waits");
    // Ten seconds have come when the server goes away for eight: nothing
    // is heard of it.
    QTest::newRow("outage within what came") << 16.0 << 6 << 2.0 << 8000 << false;
    // Playback reaches bytes that have not come: it holds its place, and
    // goes on from there when they come, skipping nothing.
    // (Long enough that playback waits for a second or more however slowly
    // it started, and so however much came before the outage.)
    QTest::newRow("outage past what came") << 7.0 << 2 << 1.0 << 5000 << true;
}

void MediaTest::aBrokenDownloadIsRiddenOut()
{
    QFETCH(double, seconds);
    QFETCH(int, speed);
    QFETCH(double, breakAt);
    QFETCH(int, outageMs);
    QFETCH(bool, waits);
    DemoService demo;
    QVERIFY(demo.start());
    demo.setTrackSeconds(seconds);
    demo.setThrottle(speed * kAudioRate);
    // The outage is waited out, however long playback waits in it.
    m_factory.setWaitTimeoutMs(outageMs * 2);
    const auto restoreTimeout = qScopeGuard([this] { m_factory.setWaitTimeoutMs(kWaitTimeoutMs); });
    StreamingPlayerItem *item = m_factory.playerItemWithURL(QUrl(demo.origin() + QStringLiteral("/media/track-4.wav")));
    std::unique_ptr<StreamingPlayer> player(m_factory.playerWithPlayerItem(item));
    QSignalSpy ended(item, &StreamingPlayerItem::didPlayToEndTime);
    QSignalSpy failed(item, &StreamingPlayerItem::failedToPlayToEndTime);
    QSignalSpy waiting(item, &StreamingPlayerItem::waitingForDataChanged);
    QVERIFY(m_sound.startRecording());
    const qint64 started = SoundServer::nowNs();
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() >= breakAt, 10000);
    demo.interrupt(outageMs);
    if (waits) {
        // What the output had is heard out first; then the time shown
        // stands still for as long as the bytes are missing.
        QTRY_VERIFY_WITH_TIMEOUT(item->isWaitingForData(), 8000);
        QTest::qWait(300);
        const double heldAt = player->currentTime();
        QTest::qWait(500);
        QVERIFY(item->isWaitingForData());
        QVERIFY2(qAbs(player->currentTime() - heldAt) < 0.05,
                 qPrintable(QStringLiteral("%1 then %2").arg(heldAt).arg(player->currentTime())));
        QCOMPARE(player->rate(), 1.0f);
    }
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() + failed.count() > 0, int(seconds * 1000) + outageMs + 10000);
    const SoundRecording heard = m_sound.stopRecording();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    QCOMPARE(waiting.count() > 0 && waiting.last().at(0).toBool(), false);
    // The whole track is heard: no second of it lost or skipped.
    const double sound = heard.soundMs(started, SoundServer::nowNs());
    QVERIFY2(qAbs(sound - seconds * 1000) < 150, qPrintable(QString::number(sound)));
    if (!waits) {
        const double start = heard.msToFirstSoundAfter(started);
        const qint64 first = started + qint64(start * 1e6);
        const double gap = heard.longestSilenceWithinMs(first, first + qint64((seconds - 0.2) * 1e9));
        QVERIFY2(gap < 10, qPrintable(QString::number(gap)));
    }
    // The download went on from where it broke, not from the start.
    const QList<QString> requests = demo.requestLog().filter(QStringLiteral("/media/track-4.wav"));
    QVERIFY2(requests.size() >= 2, qPrintable(requests.join(QLatin1Char(' '))));
    QCOMPARE(requests.first(), QStringLiteral("/media/track-4.wav"));
    for (const QString &resumed : requests.mid(1))
        QVERIFY2(resumed.contains(QLatin1String("(bytes=")) && !resumed.contains(QLatin1String("bytes=0-")),
                 qPrintable(resumed));
}

void MediaTest::seekingAheadAsksForTheRestOnce()
{
    // On a link as fast as the track plays, a seek far ahead asks for the
    // track from there; the part in between is asked for afterwards, and
    // a seek back within what came asks for nothing.
    DemoService demo;
    QVERIFY(demo.start());
    demo.setTrackSeconds(20);
    demo.setThrottle(kAudioRate * 3 / 2);
    StreamingPlayerItem *item = m_factory.playerItemWithURL(QUrl(demo.origin() + QStringLiteral("/media/track-5.wav")));
    std::unique_ptr<StreamingPlayer> player(m_factory.playerWithPlayerItem(item));
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0.5, 10000);
    player->seekToTime(15);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 15.5, 10000);
    player->seekToTime(0.2);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0.5 && player->currentTime() < 5, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(demo.requestLog().filter(QStringLiteral("track-5")).size() >= 3, 20000);
    QTest::qWait(500);
    const QList<QString> requests = demo.requestLog().filter(QStringLiteral("track-5"));
    QVERIFY2(requests.size() == 3, qPrintable(requests.join(QLatin1Char(' '))));
    // "bytes=X-END" from the seek, then "bytes=A-(X-1)" for the gap before it.
    const QString ahead = requests.at(1).section(QStringLiteral("bytes="), 1).chopped(1);
    const QString gap = requests.at(2).section(QStringLiteral("bytes="), 1).chopped(1);
    const qint64 seekedTo = ahead.section(QLatin1Char('-'), 0, 0).toLongLong();
    QVERIFY(seekedTo > 14 * kAudioRate && seekedTo < 16 * kAudioRate);
    QVERIFY2(gap.section(QLatin1Char('-'), 0, 0).toLongLong() > 0, qPrintable(gap));
    QCOMPARE(gap.section(QLatin1Char('-'), 1).toLongLong(), seekedTo - 1);
}

void MediaTest::commandsNearTheEnd_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<double>("firstMs"); // how long the first track sounds
    // Each after the following track was named and taken: playbin has it
    // already. Scrubbed into the last second and back at once:
    QTest::newRow("scrubbed to the end and back") << "scrub" << 1500.0 + 150 + 2500;
    QTest::newRow("paused in the last second") << "pause" << 3000.0;
    QTest::newRow("sought back in the last second") << "seek" << 2400.0 + 2000;
    QTest::newRow("Назад in the last second") << "back" << 2400.0;
}

void MediaTest::commandsNearTheEnd()
{
    // Exactly one track sounds, where it was sent, and the following one
    // follows it without a gap, asked for once; or, after "Назад", nothing
    // sounds and nothing of either is left.
    QFETCH(QString, command);
    QFETCH(double, firstMs);
    DemoService demo;
    QVERIFY(demo.start());
    useTones(demo, 3);
    MusicScreen music(&m_factory, demo);
    SecondViewController *screen = music.screen.get();
    QVERIFY(m_sound.startRecording());
    const qint64 tapped = SoundServer::nowNs();
    screen->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QVERIFY(reaches(screen, command == QLatin1String("scrub") ? 1.5 : 2.4));
    if (command == QLatin1String("scrub")) {
        screen->remoteSeekTo(2.8);
        QTest::qWait(150);
        screen->remoteSeekTo(0.5);
    } else if (command == QLatin1String("pause")) {
        screen->playPauseButtonTapped();
        QTest::qWait(700);
        screen->playPauseButtonTapped();
    } else if (command == QLatin1String("seek")) {
        screen->timeSlider()->setValue(1);
        screen->timeSliderValueChanged();
    } else {
        screen->playerBackButtonTapped();
    }
    const bool follows = command != QLatin1String("back");
    if (follows)
        QTRY_VERIFY_WITH_TIMEOUT(screen->currentSongID() == QStringLiteral("2") && reaches(screen, 2.7), 10000);
    else
        QTest::qWait(1500);
    screen->playerBackButtonTapped();
    const SoundRecording heard = m_sound.stopRecording();
    const qint64 end = SoundServer::nowNs();
    const double first = heard.toneMs(toneOf(1), tapped, end);
    QVERIFY2(qAbs(first - firstMs) < 250, qPrintable(QString::number(first)));
    const QList<QString> requests = demo.requestLog();
    if (follows) {
        QVERIFY2(heard.toneMs(toneOf(2), tapped, end) > 2500, qPrintable(QString::number(heard.toneMs(toneOf(2), tapped, end))));
        const qint64 second = heard.firstToneAfterNs(toneOf(2), tapped);
        // (After a seek back while the following track's stream had
        // started, the hand-over sometimes lacks one of the output's 10-ms
        // segments.)
        const double gap = heard.longestSilenceWithinMs(second - 200000000LL, second + 200000000LL);
        QVERIFY2(gap < 20, qPrintable(QString::number(gap)));
        QCOMPARE(requests.count(QStringLiteral("/kavu/API/get-info-songs.php?id=2")), 1);
        QCOMPARE(requests.count(QStringLiteral("/media/track-2.wav")), 1);
        return;
    }
    // (A window at the cut may read as any pitch.)
    QVERIFY2(heard.toneMs(toneOf(2), tapped, end) <= 20,
             qPrintable(QString::number(heard.toneMs(toneOf(2), tapped, end))));
    // Nothing of the dropped following track is left: no stream at the
    // sound server, no pipeline but the one kept ready, no file.
    QTRY_COMPARE(leftoverTracks(m_tracks.path()), QStringList());
    QTRY_VERIFY(m_sound.streams().isEmpty());
    QTRY_VERIFY(PlaybackPipeline::runningThreads() <= 1);
}

void MediaTest::aFollowingTrackThatFails_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("not found") << "404";
    QTest::newRow("never answers") << "silent";
    QTest::newRow("undecodable") << "garbage";
}

void MediaTest::aFollowingTrackThatFails()
{
    // The track before it is heard whole; then the failure reads as a tap
    // on the failing track would: its names, the log line, the alert.
    QFETCH(QString, fault);
    DemoService demo;
    QVERIFY(demo.start());
    useTones(demo, 3);
    if (fault == QLatin1String("404"))
        demo.setTrackNotFound(2);
    else if (fault == QLatin1String("silent"))
        demo.setTrackNeverAnswers(2);
    else
        demo.setTrackAudio(2, QByteArray(64 * 1024, '\x5a'));
    MusicScreen music(&m_factory, demo);
    LogCapture capture;
    QVERIFY(m_sound.startRecording());
    const qint64 tapped = SoundServer::nowNs();
    music.screen->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_COMPARE_WITH_TIMEOUT(music.platform.alerts.count(), 1, 15000);
    const SoundRecording heard = m_sound.stopRecording();
    const double first = heard.toneMs(toneOf(1), tapped, SoundServer::nowNs());
    QVERIFY2(qAbs(first - 3000) < 150, qPrintable(QString::number(first)));
    QCOMPARE(music.screen->songNameLabel()->text(), QStringLiteral("Morning Drive"));
    QCOMPARE(capture.lines().filter(QStringLiteral("Ошибка воспроизведения: ")).size(), 1);
    QCOMPARE(capture.lines().filter(QStringLiteral("Ответ сервера: ")).size(), 2);
}

void MediaTest::theSoundServerComesAndGoes()
{
    // A session whose sound server starts after Kavu: the pipeline made
    // ahead found none, and opens its output when the track starts.
    SoundServer late;
    late.reserve();
    // Whatever happens here, the other tests play into the test's server.
    struct RestoreServer
    {
        QByteArray address;
        ~RestoreServer() { qputenv("PULSE_SERVER", address); }
    } restoreServer{m_sound.address().toUtf8()};
    AudioEngine engine;
    engine.prepare();
    QTest::qWait(300);
    QString error;
    QVERIFY2(late.start(&error), qPrintable(error));
    MediaStreamingPlayerFactory factory(&engine, &m_loader, m_tracks.path());
    StreamingPlayerItem *item = factory.playerItemWithURL(m_server.url(QStringLiteral("/long.wav")));
    std::unique_ptr<StreamingPlayer> player(factory.playerWithPlayerItem(item));
    QSignalSpy failed(item, &StreamingPlayerItem::failedToPlayToEndTime);
    QVERIFY(late.startRecording());
    const qint64 started = SoundServer::nowNs();
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 2.3, 10000);
    QVERIFY(late.stopRecording().soundMs(started, SoundServer::nowNs()) > 1800);

    // It goes away mid-track: playback holds its place, and goes on from
    // there when the server is back, saying nothing.
    late.kill();
    QTRY_VERIFY(item->isWaitingForData());
    const double heldAt = player->currentTime();
    QTest::qWait(800);
    QVERIFY(qAbs(player->currentTime() - heldAt) < 0.1);
    QVERIFY2(late.start(&error), qPrintable(error));
    QVERIFY(late.startRecording());
    const qint64 back = SoundServer::nowNs();
    QTRY_VERIFY_WITH_TIMEOUT(!item->isWaitingForData() && player->currentTime() > heldAt + 0.6, 5000);
    const SoundRecording resumed = late.stopRecording();
    const qint64 firstSound = back + qint64(resumed.msToFirstSoundAfter(back) * 1e6);
    // Where it went on (the sound server may have played a few tenths of a
    // second of what it was sent before it went): not from the start, not
    // ahead.
    const double pitch = resumed.frequencyAt(firstSound + 60000000LL);
    QVERIFY2(pitch >= DemoAudio::steppedToneFrequency(heldAt - 0.5) * 0.97
                 && pitch <= DemoAudio::steppedToneFrequency(heldAt + 0.6) * 1.03,
             qPrintable(QStringLiteral("%1 Hz at %2 s").arg(pitch).arg(heldAt)));
    QCOMPARE(failed.count(), 0);

    // Gone for good: the track fails once the output has been away for the
    // time-out (60 s), saying why; a tap then fails at once, saying why.
    AudioEngine::setOutputTimeoutMs(1000);
    late.kill();
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
    AudioEngine::setOutputTimeoutMs(60000);
    QVERIFY(failed.first().first().toString().startsWith(QLatin1String("The sound output went away")));
    StreamingPlayerItem *tapped = factory.playerItemWithURL(m_server.url(QStringLiteral("/short.wav")));
    std::unique_ptr<StreamingPlayer> another(factory.playerWithPlayerItem(tapped));
    QSignalSpy refused(tapped, &StreamingPlayerItem::failedToPlayToEndTime);
    another->play();
    QTRY_COMPARE_WITH_TIMEOUT(refused.count(), 1, 3000);
    QVERIFY2(refused.first().first().toString().startsWith(QLatin1String("No sound output could be opened")),
             qPrintable(refused.first().first().toString()));
}

void MediaTest::aResumedDownloadIsOneTrack_data()
{
    QTest::addColumn<bool>("changed");
    // A server that answers every request with the whole track: what was
    // missing is taken from it, and nothing is skipped.
    QTest::newRow("server ignores Range") << false;
    // The file changed on the server between two parts: the new one is
    // read afresh where playback was, never spliced into the old.
    QTest::newRow("file changed between parts") << true;
}

void MediaTest::aResumedDownloadIsOneTrack()
{
    QFETCH(bool, changed);
    const QByteArray before = DemoAudio::steppedToneWav(6.0);
    const QByteArray after = DemoAudio::toneWav(660, 6.0);
    LocalHttpServer server;
    QVERIFY(server.listen());
    // The first answer breaks a third of the way; later ones answer 200
    // with the whole track (the old one, or a changed one).
    server.setHandler([&](const HttpRequest &request) {
        const bool first = server.requests().size() <= 1;
        HttpReply reply;
        reply.contentType = "audio/wav";
        reply.body = changed && !first ? after : before;
        reply.headers.append(qMakePair(QByteArray("ETag"), QByteArray(changed && !first ? "\"v2\"" : "\"v1\"")));
        if (first)
            reply.breakAfter = before.size() / 3;
        Q_UNUSED(request);
        return reply;
    });
    StreamingPlayerItem *item = m_factory.playerItemWithURL(server.url(QStringLiteral("/t.wav")));
    std::unique_ptr<StreamingPlayer> player(m_factory.playerWithPlayerItem(item));
    QSignalSpy failed(item, &StreamingPlayerItem::failedToPlayToEndTime);
    QSignalSpy ended(item, &StreamingPlayerItem::didPlayToEndTime);
    QVERIFY(m_sound.startRecording());
    const qint64 started = SoundServer::nowNs();
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() + failed.count() > 0, 15000);
    const SoundRecording heard = m_sound.stopRecording();
    const qint64 end = SoundServer::nowNs();
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    // The part asked for is the track the first answer was.
    const QList<HttpRequest> requests = server.requests();
    QVERIFY(requests.size() >= 2);
    QVERIFY(requests.at(1).headers.contains("range"));
    QCOMPARE(requests.at(1).headers.value("if-range"), QByteArray("\"v1\""));
    QVERIFY2(qAbs(heard.soundMs(started, end) - 6000) < 300, qPrintable(QString::number(heard.soundMs(started, end))));
    for (int second = 0; second < 6; ++second) {
        const double step = heard.toneMs(DemoAudio::steppedToneFrequency(second), started, end);
        // Nothing of the old track after the change (a window where the
        // pitch moves may read as anything).
        if (changed)
            QVERIFY2(second == 0 || step <= 20, qPrintable(QString::number(step)));
        else
            QVERIFY2(step > 850, qPrintable(QString::number(step)));
    }
    if (changed)
        QVERIFY(heard.toneMs(660, started, end) > 5000);
}

void MediaTest::formatsFollowEachOther()
{
    // Tracks in every format a catalogue serves, each of its own rate and
    // channels, chained: each follows the one before with no silence but
    // what the files hold themselves (AAC's encoder delay, which only an
    // edit list the test's encoder does not write would trim).
    struct Track
    {
        EncodedAudio::Format format;
        double hz;
        int rate;
        int channels;
    };
    const QList<Track> tracks = {
        {EncodedAudio::Format::Mp3, 440, 44100, 2},    {EncodedAudio::Format::Vorbis, 550, 48000, 2},
        {EncodedAudio::Format::Flac, 660, 22050, 1},   {EncodedAudio::Format::Opus, 770, 48000, 1},
        {EncodedAudio::Format::M4a, 880, 44100, 2},    {EncodedAudio::Format::Adts, 990, 32000, 1},
    };
    DemoService demo;
    QVERIFY(demo.start());
    demo.setTrackSeconds(2);
    QList<double> leading;
    QList<double> trailing;
    for (int i = 0; i < tracks.size(); ++i) {
        QString error;
        const Track &track = tracks.at(i);
        const QByteArray bytes =
            EncodedAudio::encode(DemoAudio::toneWav(track.hz, 2.0, track.rate, track.channels), track.format, &error);
        QVERIFY2(!bytes.isEmpty(), qPrintable(error));
        double lead = 0;
        double tail = 0;
        QVERIFY(EncodedAudio::silentEdgesMs(bytes, &lead, &tail));
        leading.append(lead);
        trailing.append(tail);
        demo.setTrackAudio(i + 1, bytes);
    }
    MusicScreen music(&m_factory, demo);
    QVERIFY(m_sound.startRecording());
    const qint64 tapped = SoundServer::nowNs();
    music.screen->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_VERIFY_WITH_TIMEOUT(music.screen->currentSongID() == QStringLiteral("7"), 20000);
    music.screen->playerBackButtonTapped();
    const SoundRecording heard = m_sound.stopRecording();
    const qint64 end = SoundServer::nowNs();
    qint64 previous = tapped;
    for (int i = 0; i < tracks.size(); ++i) {
        const double ms = heard.toneMs(tracks.at(i).hz, tapped, end);
        QVERIFY2(ms > 1800, qPrintable(QStringLiteral("%1 Hz: %2 ms").arg(tracks.at(i).hz).arg(ms)));
        // The seam: from the last of one tone to the first of the next,
        // well after the one before started.
        const qint64 next = heard.firstToneAfterNs(tracks.at(i).hz, previous);
        previous = next + 1500000000LL;
        if (i == 0)
            continue;
        const double gap = heard.longestSilenceWithinMs(next - 150000000LL, next + 100000000LL);
        const double own = trailing.at(i - 1) + leading.at(i);
        QVERIFY2(gap < own + 5, qPrintable(QStringLiteral("%1 Hz: %2 ms, the files %3").arg(tracks.at(i).hz).arg(gap).arg(own)));
    }
}

namespace {

class EndRecorder : public FilePlayerDelegate
{
public:
    void audioPlayerDidFinishPlaying(FilePlayer *, bool successfully) override { ends.append(successfully); }
    QList<bool> ends;
};

// What a creation reported, waited for.
struct Created
{
    std::unique_ptr<FilePlayer> player;
    QString error;
    QList<qint64> received;
    qint64 total = -1;
};

Created create(MediaFilePlayerFactory &factory, const QUrl &url)
{
    Created outcome;
    std::unique_ptr<FilePlayerCreation> creation(factory.createWithContentsOfURL(url));
    bool done = false;
    QObject::connect(creation.get(), &FilePlayerCreation::progress, [&](qint64 received, qint64 total) {
        outcome.received.append(received);
        outcome.total = total;
    });
    QObject::connect(creation.get(), &FilePlayerCreation::finished, [&](FilePlayer *player, const QString &error) {
        outcome.player.reset(player);
        outcome.error = error;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        outcome.error = QStringLiteral("(no outcome)");
    return outcome;
}

} // namespace

void MediaTest::filePlayerPlaysAWholeTrack()
{
    QNetworkAccessManager network;
    QTemporaryDir folder;
    MediaFilePlayerFactory factory(&m_engine, &network, folder.path());
    Created made = create(factory, m_server.url(QStringLiteral("/short.wav")));
    QVERIFY2(made.player, qPrintable(made.error));
    // The whole track is held, in a file of its own: its length is known
    // before it plays, and the bar saw all of it come.
    QVERIFY(qAbs(made.player->duration() - 2.5) < 0.1);
    QCOMPARE(made.received.last(), made.total);
    const QStringList files = QDir(folder.path()).entryList({QStringLiteral("track-*.part")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
        | QFileDevice::WriteOther;
    QCOMPARE(QFile::permissions(folder.filePath(files.first())) & others, QFileDevice::Permissions());
    QVERIFY(!made.player->isPlaying());
    EndRecorder recorder;
    made.player->setDelegate(&recorder);
    QVERIFY(made.player->play());
    QVERIFY(made.player->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(made.player->currentTime() > 0.3, 5000);
    made.player->pause();
    const double paused = made.player->currentTime();
    QTest::qWait(300);
    QVERIFY(qAbs(made.player->currentTime() - paused) < 0.05);
    made.player->play();
    QTRY_COMPARE_WITH_TIMEOUT(recorder.ends, QList<bool>{true}, 10000);
    QVERIFY(!made.player->isPlaying());
    // Its file goes with it.
    made.player.reset();
    QVERIFY(QDir(folder.path()).entryList({QStringLiteral("track-*.part")}, QDir::Files).isEmpty());
}

void MediaTest::filePlayerCreationFails_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("error"); // empty: any text
    QTest::newRow("garbage bytes") << "/garbage.wav" << qint64(1 << 20) << QString();
    QTest::newRow("not found") << "/missing.wav" << qint64(1 << 20) << QStringLiteral("The server answered with status 404.");
    // The response says how long it is: not a byte of it is read.
    QTest::newRow("longer than the limit") << "/short.wav" << qint64(1000) << QStringLiteral("The track is too large.");
    QTest::newRow("stalls") << "stall" << qint64(1 << 20) << QStringLiteral("Operation canceled");
    QTest::newRow("trickles") << "trickle" << qint64(1 << 20) << QStringLiteral("The download is too slow.");
    QTest::newRow("not a web address") << "" << qint64(1 << 20) << QStringLiteral("unsupported URL");
}

void MediaTest::filePlayerCreationFails()
{
    QFETCH(QString, path);
    QFETCH(qint64, limit);
    QFETCH(QString, error);
    FaultServer faults;
    QVERIFY(faults.listen());
    faults.setText(DemoAudio::wavOfLength(1, 2.0));
    faults.setFault(path == QLatin1String("stall") ? FaultServer::Fault::StallMidBody : FaultServer::Fault::EndlessBody);
    QNetworkAccessManager network;
    QTemporaryDir folder;
    MediaFilePlayerFactory factory(&m_engine, &network, folder.path());
    // 60 s in the application.
    factory.setLimits(limit, 500);
    const QUrl url = path.isEmpty() ? QUrl(QStringLiteral("file:///etc/hostname"))
        : path.startsWith(QLatin1Char('/')) ? m_server.url(path) : QUrl(faults.origin() + QStringLiteral("/t.wav"));
    const Created made = create(factory, url);
    QVERIFY(!made.player);
    QVERIFY(!made.error.isEmpty());
    if (!error.isEmpty())
        QCOMPARE(made.error, error);
    if (limit < (1 << 20))
        QVERIFY(made.received.isEmpty() || made.received.last() == 0);
    // Nothing is left of the track.
    QVERIFY(QDir(folder.path()).entryList({QStringLiteral("track-*.part")}, QDir::Files).isEmpty());
}

void MediaTest::filePlayerDownloadsAsLongAsItMakesProgress()
{
    // Two seconds of audio at 150 KB/s: longer than the time-out, which a
    // text would have to come within.
    DemoService demo;
    QVERIFY(demo.start());
    demo.setThrottle(150 * 1000);
    QNetworkAccessManager network;
    QTemporaryDir folder;
    MediaFilePlayerFactory factory(&m_engine, &network, folder.path());
    factory.setLimits(MediaFilePlayerFactory::kTrackLimit, 700);
    QElapsedTimer clock;
    clock.start();
    const Created made = create(factory, QUrl(demo.sizedTrackUrl(300 * 1000)));
    QVERIFY2(made.player, qPrintable(made.error));
    QVERIFY(clock.elapsed() > 1400);
    QVERIFY(made.received.size() > 3);
}

void MediaTest::leftoverTracksGoAtTheNextStart()
{
    QTemporaryDir folder;
    const QStringList names{QStringLiteral("track-999999999-a.part"), QStringLiteral("cover.png"),
                            QStringLiteral("track-%1-b.part").arg(QCoreApplication::applicationPid())};
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // A file of a Kavu that runs stays, and nothing else of the folder goes.
    QNetworkAccessManager network;
    MediaFilePlayerFactory factory(&m_engine, &network, folder.path());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), names.mid(1));
}

QTEST_MAIN(MediaTest)
#include "tst_media.moc"
