#include "LocalHttpServer.h"
#include "demo/DemoAudio.h"
#include "platform/media/FilePlayer.h"
#include "platform/media/MediaFilePlayerFactory.h"
#include "platform/media/MediaStreamingPlayer.h"
#include "platform/media/MediaStreamingPlayerFactory.h"
#include "platform/media/MediaStreamingPlayerItem.h"

#include <QNetworkAccessManager>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QTest>

#include <memory>

// The streaming player on Qt Multimedia, playing generated audio from a
// local server.
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
    void filePlayerPlaysAWholeTrack();
    void filePlayerCreationFails_data();
    void filePlayerCreationFails();
    void windowRepaintsWhileCreating();

private:
    std::unique_ptr<StreamingPlayer> makePlayer(const QString &path, StreamingPlayerItem **item = nullptr);

    LocalHttpServer m_server;
    MediaStreamingPlayerFactory m_factory;
};

void MediaTest::initTestCase()
{
    QVERIFY(m_server.listen());
    HttpReply shortTrack;
    shortTrack.contentType = "audio/wav";
    shortTrack.body = DemoAudio::wavOfLength(1, 2.5);
    shortTrack.acceptRanges = true;
    m_server.route(QStringLiteral("/short.wav"), shortTrack);
    HttpReply longTrack = shortTrack;
    longTrack.body = DemoAudio::wavOfLength(2, 12.0);
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
    auto player = makePlayer(QStringLiteral("/long.wav"));
    player->play();
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0, 10000);
    player->seekToTime(8.0);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() >= 8.0, 5000);
    QVERIFY(player->currentTime() < 10.0);
    // Paused and rewound, it stays at the start.
    player->pause();
    QTRY_COMPARE(player->rate(), 0.0f);
    player->seekToTime(0);
    QTRY_VERIFY(player->currentTime() < 0.5);
    QTest::qWait(500);
    QVERIFY(player->currentTime() < 0.5);
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

namespace {

class EndRecorder : public FilePlayerDelegate
{
public:
    void audioPlayerDidFinishPlaying(FilePlayer *, bool successfully) override { ends.append(successfully); }
    QList<bool> ends;
};

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

void MediaTest::filePlayerPlaysAWholeTrack()
{
    QNetworkAccessManager network;
    MediaFilePlayerFactory factory(&network);
    QString error;
    std::unique_ptr<FilePlayer> player(
        factory.createWithContentsOfURL(m_server.url(QStringLiteral("/short.wav")), &error));
    QVERIFY2(player, qPrintable(error));
    // The whole track is held: its length is known before it plays.
    QVERIFY(qAbs(player->duration() - 2.5) < 0.1);
    QVERIFY(!player->isPlaying());
    EndRecorder recorder;
    player->setDelegate(&recorder);
    QVERIFY(player->play());
    QVERIFY(player->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(player->currentTime() > 0.3, 5000);
    player->pause();
    const double paused = player->currentTime();
    QTest::qWait(300);
    QVERIFY(qAbs(player->currentTime() - paused) < 0.05);
    player->play();
    QTRY_COMPARE_WITH_TIMEOUT(recorder.ends, QList<bool>{true}, 10000);
    QVERIFY(!player->isPlaying());
}

void MediaTest::filePlayerCreationFails_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<QString>("error"); // empty: any text
    QTest::newRow("garbage bytes") << "/garbage.wav" << qint64(1 << 20) << 5000 << QString();
    QTest::newRow("not found") << "/missing.wav" << qint64(1 << 20) << 5000 << QString();
    QTest::newRow("past the size limit") << "/short.wav" << qint64(1000) << 5000
                                         << QStringLiteral("The track is too large.");
    QTest::newRow("past the time-out") << "/slow.wav" << qint64(1 << 20) << 300 << QString();
    QTest::newRow("not a web address") << "" << qint64(1 << 20) << 5000 << QStringLiteral("unsupported URL");
}

void MediaTest::filePlayerCreationFails()
{
    QFETCH(QString, path);
    QFETCH(qint64, limit);
    QFETCH(int, timeout);
    QFETCH(QString, error);
    QNetworkAccessManager network;
    MediaFilePlayerFactory factory(&network);
    factory.setLimits(limit, timeout);
    QString reason;
    const QUrl url = path.isEmpty() ? QUrl(QStringLiteral("file:///etc/hostname")) : m_server.url(path);
    std::unique_ptr<FilePlayer> player(factory.createWithContentsOfURL(url, &reason));
    QVERIFY(!player);
    QVERIFY(!reason.isEmpty());
    if (!error.isEmpty())
        QCOMPARE(reason, error);
    QVERIFY(!factory.isCreating());
}

void MediaTest::windowRepaintsWhileCreating()
{
    PaintCounter window;
    window.resize(200, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);

    QNetworkAccessManager network;
    MediaFilePlayerFactory factory(&network);
    int paintsBefore = -1;
    QString secondError;
    QTimer::singleShot(100, &window, [&] {
        // A repaint asked for while the track downloads is done meanwhile.
        paintsBefore = window.paints;
        window.update();
        // Nothing re-enters creation meanwhile.
        std::unique_ptr<FilePlayer> nested(
            factory.createWithContentsOfURL(m_server.url(QStringLiteral("/short.wav")), &secondError));
        QVERIFY(!nested);
    });
    QString error;
    std::unique_ptr<FilePlayer> player(
        factory.createWithContentsOfURL(m_server.url(QStringLiteral("/slow.wav")), &error));
    QVERIFY2(player, qPrintable(error));
    QVERIFY(paintsBefore >= 0);
    const int paintsAfterCreation = window.paints;
    QVERIFY2(paintsAfterCreation > paintsBefore, "the window did not repaint while the track downloaded");
    QCOMPARE(secondError, QStringLiteral("Another track is being loaded."));
}

QTEST_MAIN(MediaTest)
#include "tst_media.moc"
