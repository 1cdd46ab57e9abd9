#include "FaultServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"
#include "catalogue/SecondViewController.h"
#include "platform/UrlLoader.h"

#include <QElapsedTimer>
#include <QTest>

Q_DECLARE_METATYPE(FaultServer::Fault)

namespace {

const QByteArray kTrack = "http://h.test/a.wav,http://h.test/i.png,Song,Artist,next:2";

} // namespace

// Servers that misbehave at the byte level, against the shared URL loading
// with each endpoint's limit, and against the track-info request end to end.
class FaultsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loaderOutcomes_data();
    void loaderOutcomes();
    void trackInfoOutcomes_data();
    void trackInfoOutcomes();

private:
    FaultServer m_server;
};

void FaultsTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setText(kTrack);
}

using Fault = FaultServer::Fault;

void FaultsTest::loaderOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("outcome"); // body, error, exceeded, or bounded (either, within the limit)

    const qint64 text = 64 * 1024;
    const qint64 feed = 1024 * 1024;
    const qint64 picture = 20 * 1024 * 1024;
    QTest::newRow("closed before the status line") << Fault::CloseBeforeStatusLine << text << "error";
    QTest::newRow("closed mid-headers") << Fault::CloseMidHeaders << text << "error";
    QTest::newRow("closed mid-body") << Fault::CloseMidBody << text << "error";
    QTest::newRow("endless headers") << Fault::EndlessHeaders << text << "error";
    QTest::newRow("endless body") << Fault::EndlessBody << feed << "error";
    QTest::newRow("10 MiB text") << Fault::HugeBody << text << "exceeded";
    QTest::newRow("10 MiB feed") << Fault::HugeBody << feed << "exceeded";
    QTest::newRow("10 MiB picture") << Fault::HugeBody << picture << "body";
    QTest::newRow("gzip bomb, text") << Fault::GzipBomb << text << "exceeded";
    QTest::newRow("gzip bomb, picture") << Fault::GzipBomb << picture << "bounded";
    QTest::newRow("invalid UTF-8") << Fault::InvalidUtf8 << text << "body";
    QTest::newRow("byte order mark") << Fault::ByteOrderMark << text << "body";
    QTest::newRow("CRLF") << Fault::CrlfLines << text << "body";
    QTest::newRow("error status with a body") << Fault::ErrorStatusWithBody << text << "body";
    QTest::newRow("redirect loop") << Fault::RedirectLoop << text << "error";
    QTest::newRow("redirect to a file") << Fault::RedirectToFile << text << "error";
}

void FaultsTest::loaderOutcomes()
{
    QFETCH(Fault, fault);
    QFETCH(qint64, limit);
    QFETCH(QString, outcome);
    m_server.setFault(fault);

    UrlLoader loader;
    loader.setTimeoutMs(1000);
    QObject context;
    std::optional<UrlResponse> response;
    QElapsedTimer clock;
    clock.start();
    loader.get(QUrl(m_server.origin() + QStringLiteral("/x")), limit, &context,
               [&](const UrlResponse &r) { response = r; });
    QTRY_VERIFY_WITH_TIMEOUT(response.has_value(), 10000);
    // Nothing hangs: every outcome comes within the time-out and a margin.
    QVERIFY(clock.elapsed() < 5000);
    if (outcome == QLatin1String("bounded")) {
        QVERIFY(response->exceededLimit || (response->succeeded() && response->data->size() <= limit));
    } else if (outcome == QLatin1String("body")) {
        QVERIFY(response->succeeded());
        QVERIFY(response->data->size() <= limit);
    } else {
        QVERIFY(!response->succeeded());
        QVERIFY(!response->error.isEmpty());
        QCOMPARE(response->exceededLimit, outcome == QLatin1String("exceeded"));
    }
}

void FaultsTest::trackInfoOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("alert"); // empty: the track starts
    QTest::addColumn<std::optional<QString>>("next");

    const QString connect = QStringLiteral("Не удалось подключиться к серверу.");
    const QString format = QStringLiteral("Неверный формат данных");
    const std::optional<QString> old(QStringLiteral("old"));
    QTest::newRow("closed before the status line") << Fault::CloseBeforeStatusLine << connect << old;
    QTest::newRow("closed mid-headers") << Fault::CloseMidHeaders << connect << old;
    QTest::newRow("closed mid-body") << Fault::CloseMidBody << connect << old;
    QTest::newRow("endless headers") << Fault::EndlessHeaders << connect << old;
    QTest::newRow("endless body") << Fault::EndlessBody << connect << old;
    QTest::newRow("10 MiB") << Fault::HugeBody << format << old;
    QTest::newRow("gzip bomb") << Fault::GzipBomb << format << old;
    QTest::newRow("invalid UTF-8") << Fault::InvalidUtf8 << format << old;
    QTest::newRow("byte order mark") << Fault::ByteOrderMark << QString() << std::optional<QString>("2");
    QTest::newRow("CRLF") << Fault::CrlfLines << QString() << std::optional<QString>("2\r\n");
    QTest::newRow("error status with a body") << Fault::ErrorStatusWithBody << QString()
                                              << std::optional<QString>("2");
    QTest::newRow("redirect loop") << Fault::RedirectLoop << connect << old;
    QTest::newRow("redirect to a file") << Fault::RedirectToFile << connect << old;
    QTest::newRow("an image") << Fault::HugeImage << format << old;
}

void FaultsTest::trackInfoOutcomes()
{
    QFETCH(Fault, fault);
    QFETCH(QString, alert);
    QFETCH(std::optional<QString>, next);
    m_server.setFault(fault);

    TestPlatform platform;
    platform.urlLoader.setTimeoutMs(1000);
    platform.userDefaults->setString(QStringLiteral("customURL"), m_server.origin() + QStringLiteral("/kavu"));
    SecondViewController screen(platform.services);
    screen.resize(320, 480);
    screen.loadViewIfNeeded();
    screen.setNextSongID(QStringLiteral("old"));
    screen.songNameLabel()->setText(QStringLiteral("Before"));

    LogCapture capture;
    screen.fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_VERIFY_WITH_TIMEOUT(!screen.activityIndicator()->isAnimating(), 10000);
    QCOMPARE(screen.nextSongID(), next);
    if (alert.isEmpty()) {
        QCOMPARE(platform.alerts.count(), 0);
        QCOMPARE(platform.streamingPlayers.urls, QList<QUrl>{QUrl(QStringLiteral("http://h.test/a.wav"))});
        QCOMPARE(screen.songNameLabel()->text(), QStringLiteral("Song"));
    } else {
        QCOMPARE(platform.alerts.count(), 1);
        QCOMPARE(platform.alerts.last()->message(), alert);
        QVERIFY(platform.streamingPlayers.urls.isEmpty());
        QCOMPARE(screen.songNameLabel()->text(), QStringLiteral("Before"));
        QVERIFY(!capture.lines().isEmpty());
    }
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
