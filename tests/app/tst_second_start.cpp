#include "KavuTestMain.h"
#include "PrivateSessionBus.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "platform/system/UserDefaults.h"

#include <QProcess>
#include <QTemporaryDir>

// Kavu running on its site, on a session bus of the test's own, and a
// second start of the real application from a terminal beside it.
class SecondStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void aHandedOverAddressWaitsForTheNextStart();

private:
    QTemporaryDir m_home;
    PrivateSessionBus m_bus;
};

void SecondStartTest::initTestCase()
{
    QVERIFY(m_bus.start());
    m_bus.makeSessionBus();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, m_home.filePath(QString::fromLatin1(name)).toUtf8());
}

void SecondStartTest::aHandedOverAddressWaitsForTheNextStart()
{
    DemoService demo;
    QVERIFY(demo.start());
    KavuApplication kavu(demo.bundle(), QStringLiteral("kavu"));
    SingleInstance instance(QStringLiteral("org.kavu.Kavu"), UserDefaults::defaultFilePath(QStringLiteral("kavu")));
    QVERIFY(instance.claim());
    instance.serve(&kavu);
    kavu.window()->show();
    QTRY_VERIFY_WITH_TIMEOUT(!demo.requestLog().filter(QStringLiteral("/kavu/music/")).isEmpty(), 20000);

    // The second start hands its address over, which is stored at once...
    const QString other = QStringLiteral("http://127.0.0.1:9/other");
    QProcess second;
    second.start(QStringLiteral(KAVU_APP), {QStringLiteral("--site-address"), other});
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(UserDefaults(UserDefaults::defaultFilePath(QStringLiteral("kavu"))).stringForKey(QStringLiteral("customURL")),
                 std::optional<QString>(other));

    // ...and the running Kavu's next track still comes from its own site.
    kavu.window()->musicScreen()->fetchDataFromServerWithID(QStringLiteral("1"), false);
    QTRY_VERIFY(demo.requestLog().contains(QStringLiteral("/kavu/API/get-info-songs.php?id=1")));
}

KAVU_TEST_MAIN(SecondStartTest)
#include "tst_second_start.moc"
