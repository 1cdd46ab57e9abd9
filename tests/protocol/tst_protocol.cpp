#include "protocol/Endpoints.h"
#include "protocol/InPageLink.h"
#include "protocol/QueryString.h"
#include "protocol/SiteAddress.h"

#include <QTest>

#include <optional>

// The pure rules about the two servers and the in-page link protocol.
class ProtocolTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void siteAddress_data();
    void siteAddress();
    void parseQueryString_data();
    void parseQueryString();
    void linkProtocolComparesExactly_data();
    void linkProtocolComparesExactly();
    void endpoints_data();
    void endpoints();
};

void ProtocolTest::siteAddress_data()
{
    QTest::addColumn<std::optional<QString>>("stored");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("base");

    const QString fallback = QStringLiteral("https://catalogue.test/kavu");
    QTest::newRow("nothing stored") << std::optional<QString>() << fallback + "/" << fallback;
    QTest::newRow("without trailing slash")
        << std::optional<QString>(QStringLiteral("https://my.site/x"))
        << QStringLiteral("https://my.site/x/") << QStringLiteral("https://my.site/x");
    QTest::newRow("with trailing slash")
        << std::optional<QString>(QStringLiteral("https://my.site/x/"))
        << QStringLiteral("https://my.site/x/") << QStringLiteral("https://my.site/x/");
    QTest::newRow("double slash kept")
        << std::optional<QString>(QStringLiteral("https://my.site/x//"))
        << QStringLiteral("https://my.site/x//") << QStringLiteral("https://my.site/x//");
    QTest::newRow("empty string") << std::optional<QString>(QString(""))
                                  << QStringLiteral("/") << QString("");
    QTest::newRow("white space kept") << std::optional<QString>(QStringLiteral("  "))
                                      << QStringLiteral("  /") << QStringLiteral("  ");
    QTest::newRow("case kept") << std::optional<QString>(QStringLiteral("HTTPS://My.Site"))
                               << QStringLiteral("HTTPS://My.Site/")
                               << QStringLiteral("HTTPS://My.Site");
}

void ProtocolTest::siteAddress()
{
    QFETCH(std::optional<QString>, stored);
    QFETCH(QString, site);
    QFETCH(QString, base);
    const QString fallback = QStringLiteral("https://catalogue.test/kavu");
    QCOMPARE(SiteAddress::resolve(stored, fallback), site);
    QCOMPARE(SiteAddress::base(stored, fallback), base);
}

using Query = QHash<QString, QString>;

void ProtocolTest::parseQueryString_data()
{
    QTest::addColumn<std::optional<QString>>("query");
    QTest::addColumn<Query>("expected");

    const auto q = [](const QString &text) { return std::optional<QString>(text); };
    QTest::newRow("escaped space") << q("k=a%20b") << Query{{"k", "a b"}};
    QTest::newRow("plus stays") << q("k=a+b") << Query{{"k", "a+b"}};
    QTest::newRow("Cyrillic") << q("k=%D0%9F") << Query{{"k", QStringLiteral("П")}};
    QTest::newRow("further = dropped") << q("x=1=2") << Query{{"x", "1"}};
    QTest::newRow("later key wins") << q("id=42&id=7") << Query{{"id", "7"}};
    QTest::newRow("empty value") << q("name=Hello&text=") << Query{{"name", "Hello"}, {"text", ""}};
    QTest::newRow("escaped key") << q("a%26b=1") << Query{{"a&b", "1"}};
    QTest::newRow("escaped delimiters in value") << q("t=1%262%3D3") << Query{{"t", "1&2=3"}};
    QTest::newRow("no query") << std::optional<QString>() << Query{};
    QTest::newRow("empty query") << q("") << Query{};
    QTest::newRow("piece without =") << q("flag&id=3&&") << Query{{"id", "3"}};
    QTest::newRow("broken escape") << q("a=%2&b=%zz&c=ok") << Query{{"c", "ok"}};
    QTest::newRow("escape at end") << q("a=x%") << Query{};
    QTest::newRow("invalid UTF-8 value") << q("a=%FF&b=1") << Query{{"b", "1"}};
    QTest::newRow("invalid UTF-8 key") << q("%C3=1") << Query{};
}

void ProtocolTest::parseQueryString()
{
    QFETCH(std::optional<QString>, query);
    QFETCH(Query, expected);
    QCOMPARE(QueryString::parse(query), expected);
}

void ProtocolTest::linkProtocolComparesExactly_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("expected");
    QTest::newRow("alert") << "kavu" << "alert" << int(InPageLink::Host::Alert);
    QTest::newRow("music") << "kavu" << "music" << int(InPageLink::Host::Music);
    QTest::newRow("upper-case scheme") << "KAVU" << "music" << int(InPageLink::Host::None);
    QTest::newRow("capitalised host") << "kavu" << "Music" << int(InPageLink::Host::None);
    QTest::newRow("other host") << "kavu" << "player" << int(InPageLink::Host::None);
    QTest::newRow("https") << "https" << "music" << int(InPageLink::Host::None);
}

void ProtocolTest::linkProtocolComparesExactly()
{
    QFETCH(QString, scheme);
    QFETCH(QString, host);
    QFETCH(int, expected);
    QCOMPARE(int(InPageLink::classify(scheme, host)), expected);
}

void ProtocolTest::endpoints_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    const QString site = QStringLiteral("https://c.test/kavu/");
    const QString base = QStringLiteral("https://c.test/kavu");
    const QString host = QStringLiteral("https://s.test");
    QTest::newRow("music") << Endpoints::musicStartPage(site, QStringLiteral("1.0"))
                           << "https://c.test/kavu/music/?version=1.0";
    QTest::newRow("albums") << Endpoints::albumsStartPage(site, QStringLiteral("1.0"))
                            << "https://c.test/kavu/music/albums/?version=1.0";
    QTest::newRow("track") << Endpoints::trackInfo(site, QStringLiteral("42"))
                           << "https://c.test/kavu/API/get-info-songs.php?id=42";
    QTest::newRow("track absent") << Endpoints::trackInfo(site, std::nullopt)
                                  << "https://c.test/kavu/API/get-info-songs.php?id=(null)";
    QTest::newRow("track encoded")
        << Endpoints::trackInfo(site, QStringLiteral("1&x=2#f з\n"))
        << "https://c.test/kavu/API/get-info-songs.php?id=1%26x%3D2%23f%20%D0%B7%0A";
    QTest::newRow("random") << Endpoints::randomTrack(site)
                            << "https://c.test/kavu/API/get-info-random-songs.php";
    QTest::newRow("account")
        << Endpoints::account(base, QStringLiteral("a&b"), QStringLiteral("p=q w"))
        << "https://c.test/kavu/API/account.php?login=a%26b&password=p%3Dq%20w";
    QTest::newRow("account slash base")
        << Endpoints::account(site, QStringLiteral("demo"), QStringLiteral("demo"))
        << "https://c.test/kavu//API/account.php?login=demo&password=demo";
    QTest::newRow("developers") << Endpoints::developersFeed(base)
                                << "https://c.test/kavu/API/developers.php";
    QTest::newRow("news") << Endpoints::newsFeed(host) << "https://s.test/API/lastnews.php";
    QTest::newRow("direct page") << Endpoints::directPlayerPage(host)
                                 << "https://s.test/app-version/music/";
    QTest::newRow("lookup") << Endpoints::trackLookup(host, QStringLiteral("a b"))
                            << "https://s.test/API/test1.php?id=a%20b";
    QTest::newRow("search") << Endpoints::searchPage(host) << "https://s.test/app-version/search";
    QTest::newRow("share") << Endpoints::shareLink(host, QStringLiteral("7"))
                           << "https://s.test/music/play?id=7";
    QTest::newRow("share absent") << Endpoints::shareLink(host, std::nullopt)
                                  << "https://s.test/music/play?id=(null)";
}

void ProtocolTest::endpoints()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
