#include "account/AccountSysViewController.h"
#include "app/PreferencesWindow.h"
#include "listens/ListenBrainzService.h"
#include "platform/system/KeyringPasswordStore.h"
#include "platform/system/UserDefaults.h"
#include "ListenBrainzStandIn.h"
#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"

#include <QDBusConnectionInterface>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

// The password in a real GNOME Keyring daemon on a bus of the test's own
// (no activatable services: no keyring until the test starts one), seen
// through libsecret's secret-tool.
class KeyringTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { m_keyring.kill(); m_bus.kill(); m_keyring.waitForFinished(); m_bus.waitForFinished(); }
    void withoutAKeyringThePasswordStaysInTheFile();
    void aLogoutBeforeTheKeyringAnswersIsFinal();
    void theKeyringKeepsThePassword();
    void aLoginAgainWhileTheKeyringIsSlowKeepsItsPassword();
    void theListenBrainzTokenIsCheckedAndKeptInTheKeyring();

private:
    QString keyringPassword(const QString &login, const QString &service = "org.kavu.Kavu/test")
    {
        QProcess tool;
        tool.start("secret-tool", {"lookup", "server", service, "user", login});
        tool.waitForFinished();
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    QTemporaryDir m_home;
    QProcess m_bus;
    QProcess m_keyring;
};

void KeyringTest::initTestCase()
{
    QFile config(m_home.filePath("bus.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                 "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                 "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    config.close();
    m_bus.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 5000);
    // This process, the keyring and secret-tool share the bus and a home.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_DATA_HOME", m_home.filePath("data").toUtf8());
    qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");
}

void KeyringTest::withoutAKeyringThePasswordStaysInTheFile()
{
    TestPlatform platform;
    KeyringPasswordStore store("org.kavu.Kavu/test", platform.userDefaults.get());
    LogCapture log;
    store.writePassword("demo", "secret");
    QTRY_VERIFY(log.lines().join('\n').contains("No desktop keyring: the password stays in the settings file"));
    std::optional<QString> read;
    store.readPassword("demo", this, [&read](const std::optional<QString> &password) { read = password; });
    QTRY_COMPARE(read, std::optional<QString>("secret"));
    QCOMPARE(platform.userDefaults->stringForKey("password"), std::optional<QString>("secret"));
}

void KeyringTest::aLogoutBeforeTheKeyringAnswersIsFinal()
{
    // "Logout" while the keyring has yet to answer a write: when it then
    // fails, the password does not come back into the file.
    TestPlatform platform;
    KeyringPasswordStore store("org.kavu.Kavu/test", platform.userDefaults.get());
    store.writePassword("demo", "secret");
    store.removePassword("demo");
    // The keyring answers in order: once a later read is answered, so is
    // the write.
    bool answered = false;
    store.readPassword("demo", this, [&answered](const std::optional<QString> &) { answered = true; });
    QTRY_VERIFY(answered);
    QTest::qWait(100);
    QVERIFY(!platform.userDefaults->hasKey("password"));
}

void KeyringTest::theKeyringKeepsThePassword()
{
    m_keyring.start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
    m_keyring.write("keyring password");
    m_keyring.closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.secrets"), 10000);
    LocalHttpServer catalogue;
    QVERIFY(catalogue.listen());
    catalogue.setHandler([](const HttpRequest &) { return HttpReply::text("demo,,"); });

    // A password an earlier start left in the file moves into the keyring.
    TestPlatform platform;
    platform.userDefaults->setString("customURL", catalogue.origin() + "/kavu");
    platform.userDefaults->setString("login", "demo");
    platform.userDefaults->setString("password", "from the file");
    KeyringPasswordStore store("org.kavu.Kavu/test", platform.userDefaults.get());
    platform.services.passwords = &store;
    store.adoptFilePassword("demo");
    QTRY_COMPARE(keyringPassword("demo"), QString("from the file"));
    QTRY_VERIFY(!platform.userDefaults->hasKey("password"));

    // The automatic login waits for the keyring, then logs in with it.
    AccountSysViewController screen(platform.services);
    screen.loadViewIfNeeded();
    QCOMPARE(screen.resultLabel()->text(), QString("Loading..."));
    QTRY_VERIFY(screen.logoutButton()->isVisibleTo(&screen));
    QCOMPARE(catalogue.requests().last().query(), QString("login=demo&password=from%20the%20file"));

    screen.logoutButton()->click();
    QTRY_COMPARE(keyringPassword("demo"), QString());

    // A new login goes into the keyring; the file lets go of it.
    screen.loginTextField()->setText("second");
    screen.passwordTextField()->setText("typed");
    screen.authButton()->click();
    QTRY_COMPARE(keyringPassword("second"), QString("typed"));
    QTRY_VERIFY(!platform.userDefaults->hasKey("password"));
}

void KeyringTest::aLoginAgainWhileTheKeyringIsSlowKeepsItsPassword()
{
    // The keyring answers late (stopped, as one that waits to be unlocked):
    // login, logout and login again with another password before it
    // answers the first write. The logout ends only what came before it.
    QVERIFY(m_keyring.state() == QProcess::Running);
    TestPlatform platform;
    KeyringPasswordStore store("org.kavu.Kavu/test", platform.userDefaults.get());
    ::kill(pid_t(m_keyring.processId()), SIGSTOP);
    store.writePassword("again", "first");
    QTest::qWait(100);
    store.removePassword("again");
    store.writePassword("again", "second");
    QTest::qWait(300);
    ::kill(pid_t(m_keyring.processId()), SIGCONT);
    bool answered = false;
    store.readPassword("again", this, [&answered](const std::optional<QString> &) { answered = true; });
    QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
    QTest::qWait(300);
    // The next start finds the second password.
    KeyringPasswordStore nextStart("org.kavu.Kavu/test", platform.userDefaults.get());
    std::optional<QString> found;
    nextStart.readPassword("again", this, [&found](const std::optional<QString> &password) { found = password; });
    QTRY_COMPARE_WITH_TIMEOUT(found, std::optional<QString>("second"), 10000);
    QCOMPARE(keyringPassword("again"), QString("second"));
}

void KeyringTest::theListenBrainzTokenIsCheckedAndKeptInTheKeyring()
{
    // Typed into the Preferences window: checked with the server, then kept
    // in the keyring under a name of its own, apart from the password.
    QVERIFY(m_keyring.state() == QProcess::Running);
    ListenBrainzStandIn server;
    QVERIFY(server.listen());
    TestPlatform platform;
    const QString service = "org.kavu.Kavu/test/listenbrainz";
    KeyringPasswordStore tokens(service, platform.userDefaults.get(), "listenBrainzToken");
    const QString queue = platform.directory.filePath("listens.json");
    ListenBrainzService listens(&platform.urlLoader, platform.userDefaults.get(), &tokens, queue, "test",
                                server.address());
    PreferencesWindow preferences(&listens);
    preferences.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preferences));
    auto *token = preferences.findChild<QLineEdit *>();
    token->setFocus();
    QTest::keyClicks(token, "demo");
    QTest::keyClick(token, Qt::Key_Return);
    QTRY_COMPARE(preferences.statusText(), QString("The token is valid for demo; listens are sent."));
    QTRY_COMPARE(keyringPassword(ListenBrainzService::kTokenName, service), QString("demo"));
    QTRY_VERIFY(!platform.userDefaults->hasKey("listenBrainzToken"));
    QVERIFY(!platform.userDefaults->hasKey("password"));

    // The next start finds it there.
    KeyringPasswordStore nextTokens(service, platform.userDefaults.get(), "listenBrainzToken");
    ListenBrainzService next(&platform.urlLoader, platform.userDefaults.get(), &nextTokens, queue, "test",
                             server.address());
    QTRY_VERIFY(next.hasToken());
}

QTEST_MAIN(KeyringTest)
#include "tst_keyring.moc"
