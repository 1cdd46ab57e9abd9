#include "demo/ByteRange.h"
#include "demo/DemoAudio.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoService.h"
#include "demo/RoundTrip.h"
#include "platform/ui/ImageDecoding.h"
#include "platform/net/TextDecoding.h"
#include "protocol/TrackInfoReply.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <thread>

namespace {

struct Fetched
{
    int status = 0;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers;
};

} // namespace

class DemoTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void byteRange_data();
    void byteRange();
    void tracksAreDistinctAndLongEnough();
    void trackInfoReplies_data();
    void trackInfoReplies();
    void mediaAnswersRanges();
    void throttledAndSizedAudio();
    void pagesLinkTheCatalogue();
    void accountAcceptsTheDemoLogin();
    void feedsAndSearch();
    void servesWhileTheGuiThreadIsBusy();
    void roundTripDelays();
    void answersARoundTripLate();

private:
    Fetched fetch(const QString &pathAndQuery, const QByteArray &method = "GET",
                  const QByteArray &range = QByteArray());

    DemoService m_demo;
    QNetworkAccessManager m_network;
};

void DemoTest::initTestCase()
{
    QVERIFY(m_demo.start());
}

Fetched DemoTest::fetch(const QString &pathAndQuery, const QByteArray &method, const QByteArray &range)
{
    QNetworkRequest request(QUrl(m_demo.origin() + pathAndQuery));
    if (!range.isEmpty())
        request.setRawHeader("Range", range);
    std::unique_ptr<QNetworkReply> reply(method == "HEAD" ? m_network.head(request)
                                                          : m_network.sendCustomRequest(request, method));
    Fetched result;
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000))
        return result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    for (const auto &pair : reply->rawHeaderPairs())
        result.headers.insert(pair.first.toLower(), pair.second);
    return result;
}

void DemoTest::byteRange_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("last");

    const int whole = int(ByteRange::Kind::Whole);
    const int partial = int(ByteRange::Kind::Partial);
    const int unsatisfiable = int(ByteRange::Kind::Unsatisfiable);
    QTest::newRow("first and last") << QByteArray("bytes=0-99") << 1000LL << partial << 0LL << 99LL;
    QTest::newRow("open end") << QByteArray("bytes=500-") << 1000LL << partial << 500LL << 999LL;
    QTest::newRow("suffix") << QByteArray("bytes=-100") << 1000LL << partial << 900LL << 999LL;
    QTest::newRow("suffix longer than the file") << QByteArray("bytes=-5000") << 1000LL << partial
                                                 << 0LL << 999LL;
    QTest::newRow("last past the end") << QByteArray("bytes=900-5000") << 1000LL << partial << 900LL
                                       << 999LL;
    QTest::newRow("start past the end") << QByteArray("bytes=1000-") << 1000LL << unsatisfiable
                                        << 0LL << -1LL;
    QTest::newRow("empty suffix") << QByteArray("bytes=-0") << 1000LL << unsatisfiable << 0LL << -1LL;
    QTest::newRow("reversed") << QByteArray("bytes=50-10") << 1000LL << whole << 0LL << 999LL;
    QTest::newRow("several ranges") << QByteArray("bytes=0-1,5-6") << 1000LL << whole << 0LL << 999LL;
    QTest::newRow("other unit") << QByteArray("items=0-1") << 1000LL << whole << 0LL << 999LL;
    QTest::newRow("not a number") << QByteArray("bytes=a-b") << 1000LL << whole << 0LL << 999LL;
    QTest::newRow("negative") << QByteArray("bytes=--5") << 1000LL << whole << 0LL << 999LL;
    QTest::newRow("overflow") << QByteArray("bytes=99999999999999999999-") << 1000LL << whole
                              << 0LL << 999LL;
    QTest::newRow("no dash") << QByteArray("bytes=5") << 1000LL << whole << 0LL << 999LL;
}

void DemoTest::byteRange()
{
    QFETCH(QByteArray, header);
    QFETCH(qint64, size);
    QFETCH(int, kind);
    QFETCH(qint64, first);
    QFETCH(qint64, last);
    const ByteRange range = ByteRange::parse(header, size);
    QCOMPARE(int(range.kind), kind);
    if (range.kind != ByteRange::Kind::Unsatisfiable) {
        QCOMPARE(range.first, first);
        QCOMPARE(range.last, last);
    }
}

void DemoTest::tracksAreDistinctAndLongEnough()
{
    QSet<QByteArray> seen;
    for (const DemoTrack &track : DemoCatalogue::tracks()) {
        const QByteArray wav = DemoAudio::wav(track.id);
        QVERIFY(wav.startsWith("RIFF"));
        const double seconds = (wav.size() - 44) / 2.0 / DemoAudio::kSampleRate;
        QVERIFY2(seconds >= 20 && seconds <= 40, qPrintable(QString::number(seconds)));
        QVERIFY(!seen.contains(wav.mid(44, 44100)));
        seen.insert(wav.mid(44, 44100));
        QVERIFY(!track.title.contains(QLatin1Char(',')) && !track.title.contains(QLatin1Char(':')));
        QVERIFY(!track.artist.contains(QLatin1Char(',')) && !track.artist.contains(QLatin1Char(':')));
    }
}

void DemoTest::trackInfoReplies_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::newRow("by identifier") << "/kavu/API/get-info-songs.php?id=3" << int(TrackInfoReply::Status::Valid);
    QTest::newRow("random") << "/kavu/API/get-info-random-songs.php" << int(TrackInfoReply::Status::Valid);
    QTest::newRow("unknown identifier") << "/kavu/API/get-info-songs.php?id=999"
                                        << int(TrackInfoReply::Status::BadFormat);
    QTest::newRow("absent identifier") << "/kavu/API/get-info-songs.php?id=(null)"
                                       << int(TrackInfoReply::Status::BadFormat);
    QTest::newRow("direct lookup") << "/API/test1.php?id=5" << int(TrackInfoReply::Status::Valid);
    QTest::newRow("direct lookup unknown") << "/API/test1.php?id=x" << int(TrackInfoReply::Status::BadFormat);
}

void DemoTest::trackInfoReplies()
{
    QFETCH(QString, path);
    QFETCH(int, status);
    const Fetched fetched = fetch(path);
    const TrackInfoReply reply = TrackInfoReply::parse(decodeUtf8(fetched.body));
    QCOMPARE(int(reply.status), status);
    if (reply.status != TrackInfoReply::Status::Valid)
        return;
    QVERIFY(reply.audioURL.toString().startsWith(m_demo.origin() + QStringLiteral("/media/")));
    QVERIFY(reply.nextSongID.has_value());
    QVERIFY(DemoCatalogue::track(reply.nextSongID->toInt()));
    // The addresses it names are served.
    const Fetched audio = fetch(reply.audioURL.path(), "HEAD");
    QCOMPARE(audio.status, 200);
    QCOMPARE(audio.headers.value("content-type"), QByteArray("audio/wav"));
    const Fetched cover = fetch(reply.iconURL.path());
    QCOMPARE(cover.status, 200);
    QVERIFY(!decodeImage(cover.body).isNull());
}

void DemoTest::mediaAnswersRanges()
{
    const QByteArray full = DemoAudio::wav(2);
    const Fetched head = fetch(QStringLiteral("/media/track-2.wav"), "HEAD");
    QCOMPARE(head.status, 200);
    QCOMPARE(head.headers.value("accept-ranges"), QByteArray("bytes"));
    QCOMPARE(head.headers.value("content-length").toLongLong(), qint64(full.size()));
    QVERIFY(head.body.isEmpty());

    const Fetched part = fetch(QStringLiteral("/media/track-2.wav"), "GET", "bytes=100-199");
    QCOMPARE(part.status, 206);
    QCOMPARE(part.body, full.mid(100, 100));
    QCOMPARE(part.headers.value("content-range"),
             "bytes 100-199/" + QByteArray::number(full.size()));

    const Fetched tail = fetch(QStringLiteral("/media/track-2.wav"), "GET", "bytes=-10");
    QCOMPARE(tail.status, 206);
    QCOMPARE(tail.body, full.right(10));

    const Fetched past = fetch(QStringLiteral("/media/track-2.wav"), "GET",
                               "bytes=" + QByteArray::number(full.size()) + "-");
    QCOMPARE(past.status, 416);

    QCOMPARE(fetch(QStringLiteral("/media/track-99.wav")).status, 404);
}

void DemoTest::throttledAndSizedAudio()
{
    // Sized tracks are WAV files of the size asked for.
    const Fetched sized = fetch(QStringLiteral("/media/sized-100000.wav"));
    QCOMPARE(sized.status, 200);
    QCOMPARE(sized.body.size(), 100000);
    QVERIFY(sized.body.startsWith("RIFF"));
    QCOMPARE(fetch(QStringLiteral("/media/sized-x.wav")).status, 404);

    // Throttled to 200 kB/s, 100 kB take about half a second, ranges and all.
    m_demo.setThrottle(200000);
    QElapsedTimer clock;
    clock.start();
    const Fetched slow = fetch(QStringLiteral("/media/sized-100000.wav"));
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(slow.body, sized.body);
    QVERIFY2(elapsed >= 400, qPrintable(QString::number(elapsed)));
    const Fetched part = fetch(QStringLiteral("/media/sized-100000.wav"), "GET", "bytes=1000-1999");
    QCOMPARE(part.status, 206);
    QCOMPARE(part.body, sized.body.mid(1000, 1000));
    m_demo.setThrottle(0);

    // Every catalogue track can be made short.
    m_demo.setTrackSeconds(1.0);
    const Fetched shortTrack = fetch(QStringLiteral("/media/track-3.wav"));
    QCOMPARE(shortTrack.body.size(), 44 + 2 * DemoAudio::kSampleRate);
    m_demo.setTrackSeconds(0);
    QCOMPARE(fetch(QStringLiteral("/media/track-3.wav")).body, DemoAudio::wav(3));
}

void DemoTest::pagesLinkTheCatalogue()
{
    const Fetched music = fetch(QStringLiteral("/kavu/music/?version=1.0.0"));
    QCOMPARE(music.status, 200);
    QVERIFY(music.headers.value("content-type").contains("charset=utf-8"));
    const QString page = QString::fromUtf8(music.body);
    QVERIFY(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(page.contains(QStringLiteral("<title>Музыка</title>")));
    for (const DemoTrack &track : DemoCatalogue::tracks())
        QVERIFY(page.contains(QStringLiteral("kavu://music?id=%1\"").arg(track.id)));
    QVERIFY(page.contains(QStringLiteral("kavu://alert?name=")));

    const QString albums = QString::fromUtf8(fetch(QStringLiteral("/kavu/music/albums/?version=1")).body);
    QVERIFY(albums.contains(QStringLiteral("<title>Альбомы</title>")));
    const QString album = QString::fromUtf8(fetch(QStringLiteral("/kavu/music/albums/2/")).body);
    QVERIFY(album.contains(QStringLiteral("<title>Open Roads</title>")));
    for (const DemoTrack &track : DemoCatalogue::tracksOfAlbum(2))
        QVERIFY(album.contains(QStringLiteral("kavu://music?id=%1\"").arg(track.id)));
    QCOMPARE(fetch(QStringLiteral("/kavu/music/albums/9/")).status, 404);
}

void DemoTest::accountAcceptsTheDemoLogin()
{
    const QStringList fields = QString::fromUtf8(
        fetch(QStringLiteral("/kavu/API/account.php?login=demo&password=demo")).body).split(QLatin1Char(','));
    QVERIFY(fields.size() >= 3);
    for (int index : {1, 2}) {
        const QUrl picture(fields.at(index));
        QVERIFY(picture.toString().startsWith(m_demo.origin()));
        QVERIFY(!decodeImage(fetch(picture.path()).body).isNull());
    }
    const QString refused = QString::fromUtf8(
        fetch(QStringLiteral("/kavu/API/account.php?login=demo&password=other")).body);
    QCOMPARE(refused.split(QLatin1Char(',')).size(), 1);
    // Encoded values are compared decoded.
    const QString encoded = QString::fromUtf8(
        fetch(QStringLiteral("/kavu/API/account.php?login=%64emo&password=demo")).body);
    QVERIFY(encoded.split(QLatin1Char(',')).size() >= 3);
}

void DemoTest::feedsAndSearch()
{
    for (const QString &path : {QStringLiteral("/API/lastnews.php"), QStringLiteral("/kavu/API/developers.php")}) {
        const Fetched feed = fetch(path);
        QCOMPARE(feed.status, 200);
        const std::optional<QString> text = decodeUtf8(feed.body);
        QVERIFY(text);
        QVERIFY(text->count(QLatin1Char('\n')) >= 2);
        QVERIFY(text->contains(QRegularExpression(QStringLiteral("[А-Яа-я]"))));
        QVERIFY(text->contains(QRegularExpression(QStringLiteral("[A-Za-z]{4}"))));
    }
    const QString direct = QString::fromUtf8(fetch(QStringLiteral("/app-version/music/")).body);
    for (const DemoTrack &track : DemoCatalogue::tracks())
        QVERIFY(direct.contains(QStringLiteral("kavu://music?id=%1\"").arg(track.id)));
    const QString search = QString::fromUtf8(fetch(QStringLiteral("/app-version/search")).body);
    QVERIFY(search.contains(QStringLiteral("<input id=\"query\"")));
    for (const DemoTrack &track : DemoCatalogue::tracks())
        QVERIFY(search.contains(track.title.toHtmlEscaped()));
}

void DemoTest::servesWhileTheGuiThreadIsBusy()
{
    // As a remote server would, the service answers while this thread
    // does nothing else.
    QByteArray answer;
    const quint16 port = m_demo.port();
    std::thread client([&answer, port] {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(3000);
        socket.write("GET /API/lastnews.php HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        while (socket.waitForReadyRead(3000))
            answer += socket.readAll();
    });
    client.join();
    QVERIFY2(answer.startsWith("HTTP/1.1 200"), answer.constData());
}

void DemoTest::roundTripDelays()
{
    QCOMPARE(RoundTrip::responseDelayMs(0, 0, true), 0);
    // A request right after the connection: both handshakes, then the trip.
    QCOMPARE(RoundTrip::responseDelayMs(50, 0, true), 150);
    // A connection opened ahead has paid its handshakes, or part of them.
    QCOMPARE(RoundTrip::responseDelayMs(50, 30, true), 120);
    QCOMPARE(RoundTrip::responseDelayMs(50, 5000, true), 50);
    QCOMPARE(RoundTrip::responseDelayMs(50, 0, false), 50);
}

void DemoTest::answersARoundTripLate()
{
    // Bounds from below only, with room above: no figure of speed.
    // The handshakes' 2R count from the connection, so the first wait does too.
    m_demo.setRoundTripMs(100);
    QElapsedTimer clock;
    clock.start();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_demo.port());
    QVERIFY(socket.waitForConnected(3000));
    QList<qint64> waits;
    for (int i = 0; i < 2; ++i) {
        if (i > 0)
            clock.restart();
        socket.write("GET /API/lastnews.php HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray answer;
        while (!answer.contains("\r\n\r\n") && socket.waitForReadyRead(3000))
            answer += socket.readAll();
        waits.append(clock.elapsed());
        QVERIFY2(answer.startsWith("HTTP/1.1 200"), answer.constData());
        // The rest of the body, so that the next answer starts afresh.
        while (socket.waitForReadyRead(50))
            socket.readAll();
    }
    m_demo.setRoundTripMs(0);
    QVERIFY2(waits.at(0) >= 300, QByteArray::number(waits.at(0)).constData());
    QVERIFY2(waits.at(1) >= 100 && waits.at(1) < 300, QByteArray::number(waits.at(1)).constData());
}

QTEST_MAIN(DemoTest)
#include "tst_demo.moc"
