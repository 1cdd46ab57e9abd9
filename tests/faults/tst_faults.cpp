#include "FaultServer.h"
#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"
#include "account/AccountSysViewController.h"
#include "allmusic/AllmusicViewController.h"
#include "catalogue/SecondViewController.h"
#include "feeds/AccountViewController.h"
#include "feeds/FirstViewController.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "ProcessMemory.h"
#include "platform/net/UrlLoader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(FaultServer::Fault)

namespace {

const QByteArray kTrack = "http://h.test/a.wav,http://h.test/i.png,Song,Artist,next:2";

// How far the peak resident size may rise while one fault is handled. The
// largest fault sends 10 MiB; a reply that is buffered once or twice stays
// well within this, one that inflates the 200 MiB gzip bomb does not.
constexpr qint64 kMemoryBoundKiB = 80 * 1024;

// Watches the peak resident size from its creation on. Under the
// sanitizers, freed memory waits in quarantine and the figure means little.
class MemoryWatch
{
public:
    MemoryWatch()
    {
        ProcessMemory::resetPeak();
        m_start = ProcessMemory::residentKiB();
    }
    bool bounded() const
    {
#if defined(KAVU_SANITIZED)
        return true;
#else
        const qint64 peak = ProcessMemory::peakResidentKiB();
        if (m_start <= 0 || peak <= 0)
            return false; // unreadable: nothing is shown bounded
        const qint64 growth = peak - m_start;
        if (growth >= kMemoryBoundKiB)
            qWarning("peak resident size rose by %lld KiB", growth);
        return growth < kMemoryBoundKiB;
#endif
    }

private:
    qint64 m_start = 0;
};

QImage redPicture()
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return image;
}

using Fault = FaultServer::Fault;

// What a reply with a fault carries for an endpoint that expects a short
// text: a text it can use, one it cannot (too large, not UTF-8, not text),
// or nothing at all.
enum class TextOutcome { Usable, Unusable, Failed };

struct TextFault
{
    const char *name;
    Fault fault;
    TextOutcome outcome;
};

// Every fault a text endpoint meets.
const TextFault kTextFaults[] = {
    {"connection refused", Fault::Refused, TextOutcome::Failed},
    {"closed before the status line", Fault::CloseBeforeStatusLine, TextOutcome::Failed},
    {"closed mid-headers", Fault::CloseMidHeaders, TextOutcome::Failed},
    {"closed mid-body", Fault::CloseMidBody, TextOutcome::Failed},
    {"endless headers", Fault::EndlessHeaders, TextOutcome::Failed},
    {"endless body", Fault::EndlessBody, TextOutcome::Failed},
    {"10 MiB", Fault::HugeBody, TextOutcome::Unusable},
    {"gzip bomb", Fault::GzipBomb, TextOutcome::Failed}, // Qt stops inflating it
    {"invalid UTF-8", Fault::InvalidUtf8, TextOutcome::Unusable},
    {"byte order mark", Fault::ByteOrderMark, TextOutcome::Usable},
    {"CRLF", Fault::CrlfLines, TextOutcome::Usable},
    {"error status with a body", Fault::ErrorStatusWithBody, TextOutcome::Usable},
    {"redirect loop", Fault::RedirectLoop, TextOutcome::Failed},
    {"redirect to a file", Fault::RedirectToFile, TextOutcome::Failed},
    {"an image", Fault::HugeImage, TextOutcome::Unusable},
};

// The next track a usable track reply names: CRLF line ends leave theirs on.
std::optional<QString> usableNext(Fault fault)
{
    return fault == Fault::CrlfLines ? QStringLiteral("2\r\n") : QStringLiteral("2");
}

} // namespace

// Servers that misbehave at the byte level, against the shared URL loading
// with each endpoint's limit and against every screen that calls a server.
// Every fault ends within the (shortened) time-out, with memory bounded, in
// the outcome designed for it, and leaves alone the state it must not touch.
class FaultsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loaderOutcomes_data();
    void loaderOutcomes();
    void trackInfoOutcomes_data();
    void trackInfoOutcomes();
    void accountOutcomes_data();
    void accountOutcomes();
    void feedOutcomes_data();
    void feedOutcomes();
    void lookupOutcomes_data();
    void lookupOutcomes();
    void pictureOutcomes_data();
    void pictureOutcomes();
    void hostileTextsShownAsText_data();
    void hostileTextsShownAsText();

private:
    FaultServer m_server;
};

void FaultsTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setText(kTrack);
}

void FaultsTest::loaderOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("outcome"); // body, error or exceeded

    const qint64 text = 64 * 1024;
    const qint64 feed = 1024 * 1024;
    const qint64 picture = 20 * 1024 * 1024;
    QTest::newRow("connection refused") << Fault::Refused << text << "error";
    QTest::newRow("closed before the status line") << Fault::CloseBeforeStatusLine << text << "error";
    QTest::newRow("closed mid-headers") << Fault::CloseMidHeaders << text << "error";
    QTest::newRow("closed mid-body") << Fault::CloseMidBody << text << "error";
    QTest::newRow("endless headers") << Fault::EndlessHeaders << text << "error";
    QTest::newRow("endless body") << Fault::EndlessBody << feed << "error";
    QTest::newRow("10 MiB text") << Fault::HugeBody << text << "exceeded";
    QTest::newRow("10 MiB feed") << Fault::HugeBody << feed << "exceeded";
    QTest::newRow("10 MiB picture") << Fault::HugeBody << picture << "body";
    QTest::newRow("gzip bomb, text") << Fault::GzipBomb << text << "error";
    QTest::newRow("gzip bomb, feed") << Fault::GzipBomb << feed << "error";
    QTest::newRow("gzip bomb, picture") << Fault::GzipBomb << picture << "error";
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

    MemoryWatch memory;
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
    if (outcome == QLatin1String("body")) {
        QVERIFY(response->succeeded());
        QVERIFY(response->data->size() <= limit);
    } else {
        QVERIFY(!response->succeeded());
        QVERIFY(!response->error.isEmpty());
        QCOMPARE(response->exceededLimit, outcome == QLatin1String("exceeded"));
    }
    QVERIFY(memory.bounded());
}

void FaultsTest::trackInfoOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("alert"); // empty: the track starts
    QTest::addColumn<std::optional<QString>>("next");

    const QString connect = QStringLiteral("Не удалось подключиться к серверу.");
    const QString format = QStringLiteral("Неверный формат данных");
    for (const TextFault &row : kTextFaults) {
        if (row.outcome == TextOutcome::Usable)
            QTest::newRow(row.name) << row.fault << QString() << usableNext(row.fault);
        else
            QTest::newRow(row.name) << row.fault << (row.outcome == TextOutcome::Unusable ? format : connect)
                                    << std::optional<QString>(QStringLiteral("old"));
    }
}

void FaultsTest::trackInfoOutcomes()
{
    QFETCH(Fault, fault);
    QFETCH(QString, alert);
    QFETCH(std::optional<QString>, next);
    m_server.setFault(fault);

    // A chosen track, then a random one (radio mode): both requests meet
    // the same fault the same way.
    for (const bool radio : {false, true}) {
        MemoryWatch memory;
        TestPlatform platform;
        platform.urlLoader.setTimeoutMs(1000);
        platform.userDefaults->setString(QStringLiteral("customURL"), m_server.origin() + QStringLiteral("/kavu"));
        SecondViewController screen(platform.services);
        screen.resize(320, 480);
        screen.loadViewIfNeeded();
        screen.setNextSongID(QStringLiteral("old"));
        screen.songNameLabel()->setText(QStringLiteral("Before"));

        LogCapture capture;
        screen.fetchDataFromServerWithID(QStringLiteral("1"), radio);
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
        QVERIFY(memory.bounded());
    }
}

void FaultsTest::accountOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("result"); // empty: logged in

    for (const TextFault &row : kTextFaults) {
        const QString result = row.outcome == TextOutcome::Usable     ? QString()
            : row.outcome == TextOutcome::Unusable ? QStringLiteral("No data received")
                                                   : QStringLiteral("Error fetching data");
        QTest::newRow(row.name) << row.fault << result;
    }
}

void FaultsTest::accountOutcomes()
{
    QFETCH(Fault, fault);
    QFETCH(QString, result);
    m_server.setFault(fault);
    // The picture fields are no web addresses, so only the reply counts.
    m_server.setText("<b>demo</b>,pictures,none");

    MemoryWatch memory;
    TestPlatform platform;
    platform.urlLoader.setTimeoutMs(1000);
    platform.userDefaults->setString(QStringLiteral("customURL"), m_server.origin() + QStringLiteral("/kavu"));
    AccountSysViewController screen(platform.services);
    screen.resize(320, 568);
    screen.loadViewIfNeeded();
    screen.loginTextField()->setText(QStringLiteral("demo"));
    screen.passwordTextField()->setText(QStringLiteral("demo"));
    screen.authorizeButtonTapped();
    QTRY_VERIFY_WITH_TIMEOUT(!screen.activityIndicator()->isAnimating(), 10000);
    QTest::qWait(20);
    m_server.setText(kTrack);

    const bool loggedIn = result.isEmpty();
    QCOMPARE(platform.userDefaults->stringArrayForKey(QStringLiteral("userData")).has_value(), loggedIn);
    // "Logout" shows either way: a refused login offers it too.
    QVERIFY(!screen.logoutButton()->isHidden());
    if (!loggedIn) {
        QCOMPARE(screen.resultLabel()->text(), result);
    } else {
        // The login comes back as text, markup and all.
        QCOMPARE(platform.userDefaults->stringArrayForKey(QStringLiteral("userData"))->value(0),
                 QStringLiteral("<b>demo</b>"));
    }
    QVERIFY(memory.bounded());
}

void FaultsTest::feedOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("text"); // what the feed shows; "Error: …" stands for any error

    const QString track = QString::fromUtf8(kTrack);
    for (const TextFault &row : kTextFaults) {
        QString text;
        switch (row.outcome) {
        case TextOutcome::Usable:
            text = row.fault == Fault::CrlfLines ? track + QLatin1Char('\n') : track;
            break;
        case TextOutcome::Unusable:
            text = row.fault == Fault::HugeBody ? QStringLiteral("Error: The response is too large.")
                                                : QStringLiteral("Failed to decode data.");
            break;
        case TextOutcome::Failed:
            text = QStringLiteral("Error: …");
            break;
        }
        QTest::newRow(row.name) << row.fault << text;
    }
}

void FaultsTest::feedOutcomes()
{
    QFETCH(Fault, fault);
    QFETCH(QString, text);
    m_server.setFault(fault);

    // The news feed is on the service host, the developers feed under the
    // stored base address.
    const std::function<FeedViewController *(const PlatformServices &)> feeds[] = {
        [](const PlatformServices &services) { return new FirstViewController(services); },
        [](const PlatformServices &services) { return new AccountViewController(services); },
    };
    for (const auto &makeFeed : feeds) {
        MemoryWatch memory;
        TestPlatform platform;
        platform.urlLoader.setTimeoutMs(1000);
        platform.services.bundle.serviceHostOrigin = m_server.origin();
        platform.userDefaults->setString(QStringLiteral("customURL"), m_server.origin() + QStringLiteral("/kavu"));
        std::unique_ptr<FeedViewController> screen(makeFeed(platform.services));
        screen->resize(320, 568);
        screen->loadViewIfNeeded();
        QTRY_VERIFY_WITH_TIMEOUT(!screen->textView()->text().isEmpty(), 10000);
        QTest::qWait(20);
        if (text == QStringLiteral("Error: …")) {
            QVERIFY2(screen->textView()->text().startsWith(QStringLiteral("Error: ")),
                     qPrintable(screen->textView()->text()));
        } else {
            QCOMPARE(screen->textView()->text(), text);
        }
        QCOMPARE(platform.alerts.count(), 0);
        QVERIFY(memory.bounded());
    }
}

void FaultsTest::lookupOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("plays");
    QTest::addColumn<std::optional<QString>>("next");

    for (const TextFault &row : kTextFaults) {
        const bool plays = row.outcome == TextOutcome::Usable;
        QTest::newRow(row.name) << row.fault << plays
                                << (plays ? usableNext(row.fault) : std::optional<QString>(QStringLiteral("old")));
    }
}

void FaultsTest::lookupOutcomes()
{
    QFETCH(Fault, fault);
    QFETCH(bool, plays);
    QFETCH(std::optional<QString>, next);
    m_server.setFault(fault);

    MemoryWatch memory;
    TestPlatform platform;
    platform.urlLoader.setTimeoutMs(1000);
    platform.services.bundle.serviceHostOrigin = m_server.origin();
    AllmusicViewController screen(platform.services);
    screen.resize(320, 568);
    screen.loadViewIfNeeded();
    screen.setNextSongID(QStringLiteral("old"));

    LogCapture capture;
    screen.fetchDataFromServerWithID(QStringLiteral("1"));
    QTRY_VERIFY_WITH_TIMEOUT(!capture.lines().isEmpty() || !platform.filePlayers.urls.isEmpty(), 10000);
    QCOMPARE(screen.nextSongID(), next);
    if (plays) {
        QCOMPARE(platform.filePlayers.urls, QList<QUrl>{QUrl(QStringLiteral("http://h.test/a.wav"))});
        QCOMPARE(screen.songNameLabel()->text(), QStringLiteral("Song"));
        QVERIFY(!screen.playPauseButton()->isHidden());
    } else {
        // Failures are only logged; the player stays hidden.
        QVERIFY(platform.filePlayers.urls.isEmpty());
        QVERIFY(screen.playPauseButton()->isHidden());
    }
    QCOMPARE(platform.alerts.count(), 0);
    QVERIFY(memory.bounded());
}

void FaultsTest::pictureOutcomes_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("kept"); // true: the picture before stays; false: no picture

    QTest::newRow("connection refused") << Fault::Refused << true;
    QTest::newRow("closed before the status line") << Fault::CloseBeforeStatusLine << true;
    QTest::newRow("closed mid-headers") << Fault::CloseMidHeaders << true;
    QTest::newRow("closed mid-body") << Fault::CloseMidBody << true;
    QTest::newRow("endless headers") << Fault::EndlessHeaders << true;
    QTest::newRow("endless body") << Fault::EndlessBody << true;
    QTest::newRow("10 MiB of text") << Fault::HugeBody << false;
    QTest::newRow("gzip bomb") << Fault::GzipBomb << true;
    QTest::newRow("invalid UTF-8") << Fault::InvalidUtf8 << false;
    QTest::newRow("error status with a body") << Fault::ErrorStatusWithBody << false;
    QTest::newRow("redirect loop") << Fault::RedirectLoop << true;
    QTest::newRow("redirect to a file") << Fault::RedirectToFile << true;
    QTest::newRow("huge declared dimensions") << Fault::HugeImage << false;
    QTest::newRow("not an image") << Fault::NotAnImage << false;
}

void FaultsTest::pictureOutcomes()
{
    QFETCH(Fault, fault);
    QFETCH(bool, kept);
    m_server.setFault(fault);
    const QUrl picture(m_server.origin() + QStringLiteral("/picture.png"));

    TestPlatform platform;
    platform.urlLoader.setTimeoutMs(1000);
    SecondViewController catalogue(platform.services);
    AccountSysViewController account(platform.services);
    AllmusicViewController direct(platform.services);
    for (ViewController *screen : std::initializer_list<ViewController *>{&catalogue, &account, &direct}) {
        screen->resize(320, 568);
        screen->loadViewIfNeeded();
    }
    // Every picture download: the cover of a catalogue track, the account's
    // background and icon, and the cover of a direct track.
    const QList<std::pair<ImageView *, std::function<void()>>> downloads = {
        {catalogue.backgroundImageView(), [&] { catalogue.loadIconFromURL(picture); }},
        {account.backgroundImageView(), [&] { account.loadBackgroundImageFromURL(picture); }},
        {account.iconImageView(), [&] { account.loadIconImageFromURL(picture); }},
        {direct.backgroundImageView(), [&] { direct.loadIconFromURL(picture); }},
    };
    for (const auto &[view, download] : downloads) {
        MemoryWatch memory;
        view->setImage(redPicture());
        LogCapture capture;
        download();
        if (kept) {
            QTRY_VERIFY_WITH_TIMEOUT(!capture.lines().isEmpty(), 10000);
            QCOMPARE(view->image(), redPicture());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(view->image().isNull(), 10000);
        }
        QVERIFY(memory.bounded());
    }
    // Bytes that are no picture are never kept as the cached background.
    QVERIFY(!QFile::exists(account.cachedImagePath()));
}

void FaultsTest::hostileTextsShownAsText_data()
{
    QTest::addColumn<QString>("song");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("alertName");
    QTest::addColumn<QString>("alertText");
    QTest::addColumn<QString>("shownSong");
    QTest::addColumn<QString>("shownArtist");
    QTest::addColumn<QString>("shownAlertName");
    QTest::addColumn<QString>("shownAlertText");
    const QString song = QStringLiteral("<b>Song</b>");
    const QString artist = QStringLiteral("<img src=\"x.png\">Artist");
    const QString name = QStringLiteral("<b>Hi</b>");
    const QString text = QStringLiteral("<a href=x>y</a>");
    QTest::newRow("markup") << song << artist << name << text << song << artist << name << text;
    // Names fill most of the 64 KiB reply; the alert link is a megabyte.
    const QString longName(30000, QLatin1Char('n'));
    const QString longText(1 << 20, QLatin1Char('t'));
    const QChar ellipsis(0x2026);
    QTest::newRow("huge") << longName << longName << longText << longText
                          << QString(199, QLatin1Char('n')) + ellipsis << QString(199, QLatin1Char('n')) + ellipsis
                          << QString(199, QLatin1Char('t')) + ellipsis << QString(1999, QLatin1Char('t')) + ellipsis;
}

void FaultsTest::hostileTextsShownAsText()
{
    // Every text a server or a page sends is shown as it stands, as plain
    // text, and cut when it is long.
    QFETCH(QString, song);
    QFETCH(QString, artist);
    QFETCH(QString, alertName);
    QFETCH(QString, alertText);
    QFETCH(QString, shownSong);
    QFETCH(QString, shownArtist);
    QFETCH(QString, shownAlertName);
    QFETCH(QString, shownAlertText);
    LocalHttpServer server;
    QVERIFY(server.listen());
    const QByteArray reply = "http://h.test/a.wav,http://h.test/i.png," + song.toUtf8() + ',' + artist.toUtf8()
        + ",next:2";
    server.route(QStringLiteral("/kavu/API/get-info-songs.php"), HttpReply::text(reply));
    server.route(QStringLiteral("/API/test1.php"), HttpReply::text(reply));

    const auto literal = [](QLabel *label, const QString &text) {
        return label->textFormat() == Qt::PlainText && label->text() == text;
    };
    TestPlatform platform;
    platform.services.bundle.serviceHostOrigin = server.origin();
    platform.userDefaults->setString(QStringLiteral("customURL"), server.origin() + QStringLiteral("/kavu"));

    // The catalogue: names, the player bar title, the song alert, the page
    // title in the web bar and the page's own alert.
    SecondViewController catalogue(platform.services);
    catalogue.resize(320, 568);
    catalogue.loadViewIfNeeded();
    catalogue.fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_COMPARE(catalogue.songNameLabel()->text(), shownSong);
    QVERIFY(literal(catalogue.songNameLabel(), shownSong));
    QVERIFY(literal(catalogue.artistNameLabel(), shownArtist));
    // The bar elides its title to its width, as text.
    QCOMPARE(catalogue.playerNavigationBar()->topItem()->title(), shownSong);
    QCOMPARE(catalogue.playerNavigationBar()->titleLabel()->textFormat(), Qt::PlainText);
    catalogue.playerInfoButtonTapped();
    QVERIFY(platform.alerts.last()->message().contains(shownSong + QLatin1Char('\n')));
    QVERIFY(platform.alerts.last()->message().contains(shownArtist));
    platform.lastWebView()->finishLoad(QStringLiteral("<a href=\"x\">Title</a>"));
    QCOMPARE(catalogue.webViewNavigationItem()->title(), QStringLiteral("<a href=\"x\">Title</a>"));
    QCOMPARE(catalogue.navigationBar()->titleLabel()->textFormat(), Qt::PlainText);
    const QUrl link(QStringLiteral("kavu://alert?name=") + QString::fromLatin1(QUrl::toPercentEncoding(alertName))
                    + QStringLiteral("&text=") + QString::fromLatin1(QUrl::toPercentEncoding(alertText)));
    catalogue.webViewShouldStartLoadWithRequest(platform.lastWebView(), link, WebViewNavigationType::LinkClicked);
    QCOMPARE(platform.alerts.last()->title(), shownAlertName);
    QCOMPARE(platform.alerts.last()->message(), shownAlertText);

    // The direct player's names.
    AllmusicViewController direct(platform.services);
    direct.resize(320, 568);
    direct.loadViewIfNeeded();
    direct.fetchDataFromServerWithID(QStringLiteral("1"));
    QTRY_COMPARE(direct.songNameLabel()->text(), shownSong);
    QVERIFY(literal(direct.songNameLabel(), shownSong));
    QVERIFY(literal(direct.artistNameLabel(), shownArtist));
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
