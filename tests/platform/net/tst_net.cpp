#include "KavuTestMain.h"
#include "LocalHttpServer.h"
#include "demo/DemoAudio.h"
#include "platform/media/MediaStreamingPlayer.h"
#include "platform/media/AudioEngine.h"
#include "platform/media/MediaStreamingPlayerFactory.h"
#include "platform/media/MediaStreamingPlayerItem.h"
#include "platform/net/RemoteText.h"
#include "platform/net/UrlLoader.h"
#include "platform/net/UrlText.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <QWebEnginePage>

// The network seam: URL text and URL loading.
class NetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void urlWithString_data();
    void urlWithString();
    void remoteTextIsCut_data();
    void remoteTextIsCut();
    void urlLoaderOutcomes_data();
    void urlLoaderOutcomes();
    void theSystemProxyIsFollowed_data();
    void theSystemProxyIsFollowed();
    void aConnectionIsOpenedAheadAndKept();

private:
    LocalHttpServer m_proxy;
};

void NetTest::initTestCase()
{
    // The web engine reads the proxy settings once: one setting for every
    // row, set before the first request, with one host it leaves out.
    QVERIFY(m_proxy.listen());
    m_proxy.setHandler([](const HttpRequest &request) {
        HttpReply reply = HttpReply::text("<p>proxied</p>");
        if (request.path().endsWith(QLatin1String(".wav")))
            reply.body = DemoAudio::wavOfLength(1, 0.5);
        return reply;
    });
    qputenv("http_proxy", m_proxy.origin().toUtf8());
    qputenv("no_proxy", "direct.test");
}

void NetTest::urlWithString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isUrl");
    QTest::addColumn<bool>("isWebUrl");

    QTest::newRow("https") << "https://example.org/kavu/music/?version=1.0" << true << true;
    QTest::newRow("http with port") << "http://127.0.0.1:8080/a.mp3" << true << true;
    QTest::newRow("escaped") << "https://example.org/a%20b" << true << true;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("leading space") << " https://example.org/a.mp3" << false << false;
    QTest::newRow("inner space") << "https://example.org/a b" << false << false;
    QTest::newRow("only white space then slash") << "   /" << false << false;
    QTest::newRow("line break") << "https://example.org/a\n" << false << false;
    QTest::newRow("non-ASCII") << "https://example.org/музыка" << false << false;
    QTest::newRow("broken escape") << "https://example.org/a%2" << false << false;
    QTest::newRow("bad escape digits") << "https://example.org/a%zz" << false << false;
    QTest::newRow("angle bracket") << "https://example.org/<b>" << false << false;
    QTest::newRow("two hashes") << "https://example.org/a##b" << false << false;
    QTest::newRow("fragment") << "https://example.org/a#b" << true << true;
    QTest::newRow("file scheme") << "file:///etc/passwd" << true << false;
    QTest::newRow("custom scheme") << "kavu://music?id=1" << true << false;
    QTest::newRow("relative") << "music/a.mp3" << true << false;
    QTest::newRow("no host") << "https:///a.mp3" << true << false;
}

void NetTest::urlWithString()
{
    QFETCH(QString, text);
    QFETCH(bool, isUrl);
    QFETCH(bool, isWebUrl);
    const std::optional<QUrl> url = ::urlWithString(text);
    QCOMPARE(url.has_value(), isUrl);
    if (url)
        QCOMPARE(url->toString(QUrl::FullyEncoded), text);
    QCOMPARE(webUrlWithString(text).has_value(), isWebUrl);
}

void NetTest::remoteTextIsCut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const QString pair = QStringLiteral("\U0001F3B5"); // two code units
    QTest::newRow("fits exactly") << QStringLiteral("abcde") << QStringLiteral("abcde");
    QTest::newRow("one over") << QStringLiteral("abcdef") << QStringLiteral("abcd\u2026");
    QTest::newRow("pair across the cut") << QStringLiteral("abc") + pair + QStringLiteral("de")
                                          << QStringLiteral("abc\u2026");
    QTest::newRow("pair before the cut") << QStringLiteral("ab") + pair + QStringLiteral("de")
                                          << QStringLiteral("ab") + pair + QStringLiteral("\u2026");
}

void NetTest::remoteTextIsCut()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(RemoteText::cut(text, 5), shown);
}

void NetTest::urlLoaderOutcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hasBody");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("exceeded");

    QTest::newRow("ok") << "/ok" << true << QByteArray("text") << false;
    QTest::newRow("error status with a body") << "/missing" << true << QByteArray("gone") << false;
    QTest::newRow("server error with a body") << "/broken" << true << QByteArray("oops") << false;
    QTest::newRow("empty body") << "/empty" << true << QByteArray("") << false;
    QTest::newRow("redirect followed") << "/moved" << true << QByteArray("text") << false;
    QTest::newRow("redirect loop") << "/loop" << false << QByteArray() << false;
    QTest::newRow("redirect to a file") << "/to-file" << false << QByteArray() << false;
    QTest::newRow("past the limit") << "/big" << false << QByteArray() << true;
    QTest::newRow("at the limit") << "/limit" << true << QByteArray(100, 'a') << false;
    QTest::newRow("time-out") << "/slow" << false << QByteArray() << false;
    QTest::newRow("not a URL") << "" << false << QByteArray() << false;
}

void NetTest::urlLoaderOutcomes()
{
    QFETCH(QString, path);
    QFETCH(bool, hasBody);
    QFETCH(QByteArray, body);
    QFETCH(bool, exceeded);

    LocalHttpServer server;
    QVERIFY(server.listen());
    server.route(QStringLiteral("/ok"), HttpReply::text("text"));
    server.route(QStringLiteral("/missing"), HttpReply::text("gone", 404));
    server.route(QStringLiteral("/broken"), HttpReply::text("oops", 500));
    server.route(QStringLiteral("/empty"), HttpReply::text(""));
    HttpReply moved = HttpReply::text("", 302);
    moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/ok")));
    server.route(QStringLiteral("/moved"), moved);
    HttpReply loop = HttpReply::text("", 302);
    loop.headers.append(qMakePair(QByteArray("Location"), QByteArray("/loop")));
    server.route(QStringLiteral("/loop"), loop);
    HttpReply toFile = HttpReply::text("", 302);
    toFile.headers.append(qMakePair(QByteArray("Location"), QByteArray("file:///etc/passwd")));
    server.route(QStringLiteral("/to-file"), toFile);
    server.route(QStringLiteral("/big"), HttpReply::text(QByteArray(101, 'a')));
    server.route(QStringLiteral("/limit"), HttpReply::text(QByteArray(100, 'a')));
    HttpReply slow = HttpReply::text("late");
    slow.delayMs = 2000;
    server.route(QStringLiteral("/slow"), slow);

    UrlLoader loader;
    loader.setTimeoutMs(300);
    QObject context;
    std::optional<UrlResponse> outcome;
    int calls = 0;
    const QUrl url = path.isEmpty() ? QUrl() : server.url(path);
    loader.get(url, 100, &context, [&](const UrlResponse &response) {
        ++calls;
        outcome = response;
    });
    // Never at once, always on the event loop.
    QCOMPARE(calls, 0);
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 5000);
    QCOMPARE(outcome->succeeded(), hasBody);
    QCOMPARE(outcome->exceededLimit, exceeded);
    if (hasBody)
        QCOMPARE(*outcome->data, body);
    else
        QVERIFY(!outcome->error.isEmpty());
    QTest::qWait(50);
    QCOMPARE(calls, 1);
}

void NetTest::theSystemProxyIsFollowed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("host");
    for (const char *kind : {"request", "stream", "page"}) {
        QTest::addRow("%s through the proxy", kind) << kind << "catalogue.test";
        QTest::addRow("%s past it (no_proxy)", kind) << kind << "direct.test";
    }
}

void NetTest::theSystemProxyIsFollowed()
{
    QFETCH(QString, kind);
    QFETCH(QString, host);
    m_proxy.clearRequests();
    const QUrl url(QStringLiteral("http://%1:%2/%3").arg(host).arg(m_proxy.port()).arg(kind == "stream" ? "a.wav" : "a"));
    bool ended = false;
    UrlLoader loader;
    QObject context;
    AudioEngine engine;
    QTemporaryDir tracks;
    MediaStreamingPlayerFactory players(&engine, &loader, tracks.path());
    players.setWaitTimeoutMs(2000);
    std::unique_ptr<StreamingPlayer> player;
    QWebEnginePage page;
    if (kind == "request") {
        loader.get(url, 1000, &context, [&ended](const UrlResponse &) { ended = true; });
    } else if (kind == "stream") {
        StreamingPlayerItem *item = players.playerItemWithURL(url);
        player.reset(players.playerWithPlayerItem(item));
        connect(item, &StreamingPlayerItem::didPlayToEndTime, this, [&ended] { ended = true; });
        connect(item, &StreamingPlayerItem::failedToPlayToEndTime, this, [&ended] { ended = true; });
        player->play();
    } else {
        connect(&page, &QWebEnginePage::loadFinished, this, [&ended] { ended = true; });
        page.load(url);
    }
    QTRY_VERIFY_WITH_TIMEOUT(ended, 20000);
    // An earlier row's stream may still reach the proxy: only this row's
    // address counts.
    const QStringList seen = m_proxy.requestTargets().filter(url.toString());
    QCOMPARE(seen.isEmpty(), host == QLatin1String("direct.test"));
}

void NetTest::aConnectionIsOpenedAheadAndKept()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    UrlLoader loader;
    loader.networkAccessManager()->setProxy(QNetworkProxy::NoProxy);
    loader.setReopenIdleMs(1500);
    const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    loader.keepConnectionOpen(QUrl(origin + QStringLiteral("/kavu/API/x.php?id=1")));
    loader.keepConnectionOpen(QUrl(origin + QStringLiteral("/other")));
    loader.keepConnectionOpen(QUrl(QStringLiteral("kavu://music?id=1")));
    QCOMPARE(loader.keptOpen(), QList<QString>{origin});

    // Open before any request, and the request then goes on it.
    QTRY_VERIFY(server.hasPendingConnections());
    std::unique_ptr<QTcpSocket> opened(server.nextPendingConnection());
    QTest::qWait(100);
    QCOMPARE(opened->bytesAvailable(), 0);
    std::optional<UrlResponse> response;
    loader.get(QUrl(origin + QStringLiteral("/kavu/API/x.php?id=1")), 1024, this,
               [&](const UrlResponse &r) { response = r; });
    QTRY_VERIFY(opened->bytesAvailable() > 0);
    QVERIFY(opened->readAll().startsWith("GET /kavu/API/x.php?id=1 HTTP/1.1"));
    opened->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    QTRY_VERIFY(response.has_value());
    QCOMPARE(response->data.value_or(QByteArray()), QByteArray("ok"));
    QVERIFY(!server.hasPendingConnections());

    // A connection closed in a silence is open again after it.
    opened->disconnectFromHost();
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
}

KAVU_TEST_MAIN(NetTest)
#include "tst_net.moc"
