#include "FileSizeLimit.h"
#include "SettingsFileCopy.h"
#include "LocalHttpServer.h"
#include "LogCapture.h"
#include "TestPlatform.h"
#include "protocol/AccountReply.h"
#include "account/AccountSysViewController.h"
#include "platform/ui/Geometry.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

namespace {

QByteArray pngBytes(const QColor &color)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(color);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QList<QWidget *> stacking(QWidget *parent)
{
    QList<QWidget *> result;
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && !widget->isWindow())
            result.append(widget);
    }
    return result;
}

} // namespace

class AccountTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void firstLaunch();
    void storedCredentialsLogIn_data();
    void storedCredentialsLogIn();
    void authorize_data();
    void authorize();
    void returnInAFieldAuthorizes();
    void replies_data();
    void replies();
    void completionRunsBeforeTheMessage();
    void backgroundCache();
    void latePicturesChangeNothing_data();
    void latePicturesChangeNothing();
    void logout();
    void refreshReplacesTheViews();

private:
    std::unique_ptr<AccountSysViewController> makeScreen(TestPlatform &platform);
    QStringList accountRequests() const;

    LocalHttpServer m_server;
    QByteArray m_body;
    QByteArray m_background;
};

void AccountTest::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setHandler([this](const HttpRequest &request) {
        if (request.path() == QLatin1String("/kavu/API/account.php"))
            return HttpReply::text(m_body);
        if (request.path() == QLatin1String("/bg.png") || request.path() == QLatin1String("/bg_x.png"))
            return HttpReply::text(m_background);
        if (request.path() == QLatin1String("/icon.png"))
            return HttpReply::text(pngBytes(Qt::blue));
        if (request.path() == QLatin1String("/slow-bg.png")) {
            HttpReply late = HttpReply::text(pngBytes(Qt::green));
            late.delayMs = 300;
            return late;
        }
        return HttpReply::text("missing", 404);
    });
}

void AccountTest::init()
{
    // Requests an earlier test's screen sent may still wait in the server's
    // sockets: it is left to go quiet first.
    for (qsizetype seen = -1; seen != m_server.requests().size();) {
        seen = m_server.requests().size();
        QTest::qWait(50);
    }
    m_server.clearRequests();
    m_body = QStringLiteral("demo,%1/bg.png,%1/icon.png").arg(m_server.origin()).toUtf8();
    m_background = pngBytes(Qt::red);
}

std::unique_ptr<AccountSysViewController> AccountTest::makeScreen(TestPlatform &platform)
{
    platform.userDefaults->setString(QStringLiteral("customURL"), m_server.origin() + QStringLiteral("/kavu"));
    auto screen = std::make_unique<AccountSysViewController>(platform.services);
    screen->resize(320, 568);
    screen->loadViewIfNeeded();
    return screen;
}

QStringList AccountTest::accountRequests() const
{
    QStringList result;
    for (const HttpRequest &request : m_server.requests()) {
        if (request.path() == QLatin1String("/kavu/API/account.php"))
            result.append(request.query());
    }
    return result;
}

void AccountTest::firstLaunch()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    QWidget *root = screen.get();

    QVERIFY(screen->loginTextField()->isVisibleTo(root));
    QCOMPARE(screen->loginTextField()->placeholderText(), QStringLiteral("Login"));
    QCOMPARE(screen->passwordTextField()->echoMode(), QLineEdit::Password);
    QCOMPARE(screen->authButton()->text(), QStringLiteral("Authorize"));
    QCOMPARE(screen->resultLabel()->text(), QStringLiteral("Loading..."));
    QCOMPARE(screen->resultLabel()->palette().color(QPalette::WindowText), QColor(Qt::white));
    QVERIFY(screen->refreshButton()->isVisibleTo(root));
    QCOMPARE(screen->refreshButton()->text(), QStringLiteral("Refresh Data"));
    QVERIFY(!screen->logoutButton()->isVisibleTo(root));
    QVERIFY(!screen->customDimmingView()->isVisibleTo(root));
    QVERIFY(!screen->activityIndicator()->isAnimating());
    QCOMPARE(screen->activityIndicator()->style(), ActivityIndicatorView::Style::Gray);

    QCOMPARE(screen->loginTextField()->geometry(), QRect(20, 100, 280, 30));
    QCOMPARE(screen->passwordTextField()->geometry(), QRect(20, 150, 280, 30));
    QCOMPARE(screen->authButton()->geometry(), QRect(20, 200, 280, 40));
    QCOMPARE(screen->resultLabel()->geometry(), QRect(20, 260, 280, 30));
    QCOMPARE(screen->refreshButton()->geometry(), QRect(20, 300, 280, 40));
    QCOMPARE(screen->logoutButton()->geometry(), QRect(20, 350, 280, 40));
    QCOMPARE(screen->backgroundImageView()->geometry(), QRect(0, 0, 320, 568));
    QCOMPARE(screen->accountBar()->geometry(), QRect(0, 0, 320, 44));

    QCOMPARE(stacking(root),
             (QList<QWidget *>{screen->activityIndicator(), screen->loginTextField(),
                               screen->passwordTextField(), screen->authButton(),
                               screen->refreshButton(), screen->backgroundImageView(),
                               screen->customDimmingView(), screen->logoutButton(),
                               screen->resultLabel(), screen->accountBar()}));
    NavigationItem *item = screen->accountBar()->topItem();
    QCOMPARE(item->title(), QStringLiteral("Аккаунт"));
    QCOMPARE(item->titleView(), screen->iconImageView());
    QCOMPARE(screen->navigationItem()->titleView(), screen->iconImageView());
    QCOMPARE(screen->iconImageView()->size(), QSize(40, 40));
    QCOMPARE(screen->iconImageView()->contentMode(), ImageView::ContentMode::ScaleAspectFit);
    QTest::qWait(50);
    QVERIFY(m_server.requests().isEmpty());
}

void AccountTest::storedCredentialsLogIn_data()
{
    QTest::addColumn<bool>("withPassword");
    QTest::newRow("login and password") << true;
    QTest::newRow("login without a password") << false;
}

void AccountTest::storedCredentialsLogIn()
{
    QFETCH(bool, withPassword);
    TestPlatform platform;
    platform.userDefaults->setString(QStringLiteral("login"), QStringLiteral("demo"));
    if (withPassword)
        platform.userDefaults->setString(QStringLiteral("password"), QStringLiteral("secret"));
    auto screen = makeScreen(platform);
    QWidget *root = screen.get();
    // The password store answers later; until then the form stays hidden.
    QVERIFY(!screen->loginTextField()->isVisibleTo(root));
    QVERIFY(!screen->passwordTextField()->isVisibleTo(root));
    QVERIFY(!screen->authButton()->isVisibleTo(root));
    QCOMPARE(screen->resultLabel()->text(), QStringLiteral("Loading..."));
    QVERIFY(screen->activityIndicator()->isAnimating());
    QTRY_VERIFY(!screen->activityIndicator()->isAnimating());
    if (!withPassword) {
        QVERIFY(screen->loginTextField()->isVisibleTo(root));
        QVERIFY(screen->authButton()->isVisibleTo(root));
        QCOMPARE(screen->resultLabel()->text(), QStringLiteral("Loading..."));
        QVERIFY(accountRequests().isEmpty());
        return;
    }
    QCOMPARE(screen->resultLabel()->text(), QStringLiteral("demo"));
    QCOMPARE(accountRequests(), QStringList{QStringLiteral("login=demo&password=secret")});
    QTRY_VERIFY(screen->logoutButton()->isVisibleTo(root));
}

void AccountTest::authorize_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("query"); // empty: refused

    QTest::newRow("empty login") << "" << "secret" << QString();
    QTest::newRow("empty password") << "demo" << "" << QString();
    QTest::newRow("a space is a login") << " " << "p" << "login=%20&password=p";
    QTest::newRow("delimiters are encoded") << "a&b=c" << QStringLiteral("п#1 ")
                                            << "login=a%26b%3Dc&password=%D0%BF%231%20";
}

void AccountTest::authorize()
{
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(QString, query);

    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->loginTextField()->setText(login);
    screen->passwordTextField()->setText(password);
    screen->authButton()->click();

    if (query.isEmpty()) {
        QCOMPARE(screen->resultLabel()->text(), QStringLiteral("Please enter login and password"));
        QVERIFY(!platform.userDefaults->hasKey(QStringLiteral("login")));
        QVERIFY(!platform.userDefaults->hasKey(QStringLiteral("password")));
        QVERIFY(screen->loginTextField()->isVisibleTo(screen.get()));
        QTest::qWait(50);
        QVERIFY(accountRequests().isEmpty());
        return;
    }
    // Stored and on disk before the request goes out.
    const SettingsFileCopy reread(platform.userDefaults->filePath());
    QCOMPARE(reread->stringForKey(QStringLiteral("login")), std::optional<QString>(login));
    QCOMPARE(reread->stringForKey(QStringLiteral("password")), std::optional<QString>(password));
    QCOMPARE(screen->resultLabel()->text(), login);
    QVERIFY(!screen->authButton()->isVisibleTo(screen.get()));
    QVERIFY(screen->activityIndicator()->isAnimating());
    QTRY_COMPARE(accountRequests(), QStringList{query});
}

void AccountTest::returnInAFieldAuthorizes()
{
    TestPlatform platform;
    auto screen = makeScreen(platform);
    screen->loginTextField()->setText(QStringLiteral("demo"));
    screen->passwordTextField()->setText(QStringLiteral("demo"));
    QTest::keyClick(screen->passwordTextField(), Qt::Key_Return);
    QCOMPARE(platform.userDefaults->stringForKey(QStringLiteral("login")), std::optional<QString>("demo"));
    QTRY_COMPARE(accountRequests().size(), 1);
}

void AccountTest::replies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");     // empty: success
    QTest::addColumn<QStringList>("pictures"); // paths requested

    QTest::newRow("three fields") << QByteArray("demo,{o}/bg.png,{o}/icon.png") << QString()
                                  << QStringList{"/bg.png", "/icon.png"};
    QTest::newRow("five fields") << QByteArray("demo,{o}/bg.png,{o}/icon.png,Имя,premium") << QString()
                                 << QStringList{"/bg.png", "/icon.png"};
    QTest::newRow("line break ends field 3") << QByteArray("demo,{o}/bg.png,{o}/icon.png\n")
                                             << QString() << QStringList{"/bg.png"};
    QTest::newRow("field 2 not a URL") << QByteArray("demo,not a url,{o}/icon.png") << QString()
                                       << QStringList{"/icon.png"};
    QTest::newRow("two fields") << QByteArray("demo,{o}/bg.png") << QStringLiteral("No data received")
                                << QStringList{};
    QTest::newRow("empty body") << QByteArray() << QStringLiteral("No data received") << QStringList{};
    QTest::newRow("invalid UTF-8") << QByteArray("demo,\xff,x") << QStringLiteral("No data received")
                                   << QStringList{};
    QTest::newRow("past the limit") << QByteArray("demo,a,b," + QByteArray(70000, 'x'))
                                    << QStringLiteral("No data received") << QStringList{};
}

void AccountTest::replies()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    QFETCH(QStringList, pictures);

    m_body = QByteArray(body).replace("{o}", m_server.origin().toUtf8());
    TestPlatform platform;
    auto screen = makeScreen(platform);
    const QStringList previous{QStringLiteral("old"), QStringLiteral("data"), QStringLiteral("kept")};
    platform.userDefaults->setStringArray(QStringLiteral("userData"), previous);

    LogCapture capture;
    screen->loginTextField()->setText(QStringLiteral("<b>demo</b>"));
    screen->passwordTextField()->setText(QStringLiteral("demo"));
    screen->authButton()->click();
    QTRY_VERIFY(!screen->activityIndicator()->isAnimating());
    QTest::qWait(100);

    QStringList paths;
    for (const HttpRequest &request : m_server.requests()) {
        if (request.path() != QLatin1String("/kavu/API/account.php"))
            paths.append(request.path());
    }
    QCOMPARE(paths, pictures);

    if (!message.isEmpty()) {
        QCOMPARE(screen->resultLabel()->text(), message);
        QCOMPARE(platform.userDefaults->stringArrayForKey(QStringLiteral("userData")),
                 std::optional<QStringList>(previous));
        QVERIFY(!screen->loginTextField()->isVisibleTo(screen.get()));
        QVERIFY(capture.lines().isEmpty());
        // A refused login offers "Logout", so that the user can log in with others.
        screen->logoutButton()->click();
        QVERIFY(screen->loginTextField()->isVisibleTo(screen.get()));
        QVERIFY(!platform.userDefaults->hasKey(QStringLiteral("login")));
        return;
    }
    const QStringList fields = QString::fromUtf8(m_body).split(QLatin1Char(','));
    QStringList expectedLog;
    for (int i = 0; i < fields.size(); ++i)
        expectedLog << QStringLiteral("Section %1: %2").arg(i + 1).arg(fields.at(i));
    QCOMPARE(capture.lines(), expectedLog);
    QCOMPARE(platform.userDefaults->stringArrayForKey(QStringLiteral("userData")),
             std::optional<QStringList>(fields));
    const SettingsFileCopy reread(platform.userDefaults->filePath());
    QCOMPARE(reread->stringArrayForKey(QStringLiteral("userData")), std::optional<QStringList>(fields));
    QVERIFY(screen->logoutButton()->isVisibleTo(screen.get()));
    QVERIFY(screen->refreshButton()->isVisibleTo(screen.get()));
    QVERIFY(screen->customDimmingView()->isVisibleTo(screen.get()));
    QCOMPARE(screen->resultLabel()->text(), QStringLiteral("<b>demo</b>"));

    auto *title = qobject_cast<QLabel *>(screen->navigationItem()->titleView());
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral("<b>demo</b>"));
    QCOMPARE(title->textFormat(), Qt::PlainText);
    QCOMPARE(title->size(), QSize(280, 30));
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pixelSize(), 18);
    if (pictures.contains(QStringLiteral("/icon.png")))
        QTRY_VERIFY(screen->iconImageView()->hasImage());
}

void AccountTest::completionRunsBeforeTheMessage()
{
    const QString closed = LocalHttpServer::closedOrigin() + QStringLiteral("/kavu");

    TestPlatform platform;
    auto screen = makeScreen(platform);
    platform.userDefaults->setString(QStringLiteral("customURL"), closed);
    platform.userDefaults->setStringArray(QStringLiteral("userData"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    screen->resultLabel()->setText(QStringLiteral("demo"));
    QStringList seenByCompletion;
    int completions = 0;
    screen->fetchDataWithLogin(QStringLiteral("demo"), QStringLiteral("demo"), [&] {
        ++completions;
        seenByCompletion << screen->resultLabel()->text();
    });
    QTRY_COMPARE(completions, 1);
    QCOMPARE(seenByCompletion, QStringList{QStringLiteral("demo")});
    QTRY_COMPARE(screen->resultLabel()->text(), QStringLiteral("Error fetching data"));
    QTest::qWait(50);
    QCOMPARE(completions, 1);
    QCOMPARE(platform.userDefaults->stringArrayForKey(QStringLiteral("userData"))->size(), 3);
}

void AccountTest::backgroundCache()
{
    // Two addresses that differ only in "/" against "_" share one file.
    QCOMPARE(AccountReply::cacheFileName(QUrl(QStringLiteral("http://h/a/b.png"))),
             AccountReply::cacheFileName(QUrl(QStringLiteral("http://h/a_b.png"))));
    QCOMPARE(AccountReply::cacheFileName(QUrl(QStringLiteral("https://h.test/a/b.png?x=1"))),
             QStringLiteral("https:__h.test_a_b.png?x=1"));

    TestPlatform platform;
    auto screen = makeScreen(platform);
    const QUrl url(m_server.origin() + QStringLiteral("/bg.png"));
    const QString path = QDir(platform.services.cachesDirectory).filePath(AccountReply::cacheFileName(url));

    // Bytes that are no picture show no picture and are not cached, so
    // the next load asks again; a picture is written as it came.
    m_background = "these bytes are no picture";
    screen->backgroundImageView()->setImage(QImage::fromData(pngBytes(Qt::blue)));
    screen->loadBackgroundImageFromURL(url);
    QCOMPARE(screen->cachedImagePath(), path);
    QTRY_VERIFY(!screen->backgroundImageView()->hasImage());
    QTest::qWait(50);
    QVERIFY(!QFile::exists(path));
    m_background = pngBytes(Qt::blue);
    screen->loadBackgroundImageFromURL(url);
    QTRY_VERIFY(QFile::exists(path));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), m_background);

    // An existing cache file is shown with no request.
    QFile replace(path);
    QVERIFY(replace.open(QIODevice::WriteOnly));
    replace.write(pngBytes(Qt::green));
    replace.close();
    m_server.clearRequests();
    screen->loadBackgroundImageFromURL(url);
    QVERIFY(screen->backgroundImageView()->hasImage());
    QCOMPARE(screen->backgroundImageView()->image().pixelColor(0, 0), QColor(Qt::green));
    QTest::qWait(50);
    QVERIFY(m_server.requests().isEmpty());

    // Logout removes it, so the next load downloads again.
    screen->logoutButtonTapped();
    QVERIFY(!QFile::exists(path));
    m_background = pngBytes(Qt::red);
    screen->loadBackgroundImageFromURL(url);
    QTRY_COMPARE(m_server.requestTargets(), QStringList{QStringLiteral("/bg.png")});
    QTRY_VERIFY(screen->backgroundImageView()->hasImage());
    QCOMPARE(screen->backgroundImageView()->image().pixelColor(0, 0), QColor(Qt::red));

    // A name too long for the file system: shown, not cached.
    const QUrl longUrl(m_server.origin() + QStringLiteral("/bg.png?") + QString(300, QLatin1Char('x')));
    screen->loadBackgroundImageFromURL(longUrl);
    QTRY_COMPARE(m_server.requests().size(), 2);
    QTRY_VERIFY(screen->backgroundImageView()->hasImage());
    QVERIFY(!QFile::exists(screen->cachedImagePath()));

    // A full disk, and a caches folder that cannot be made: the picture
    // shows, no file (whole or partial) is left, and each is logged once.
    QVERIFY(QFile::remove(path));
    LogCapture log;
    {
        FileSizeLimit fullDisk(0);
        screen->loadBackgroundImageFromURL(url);
        QTRY_COMPARE(log.lines().size(), 1);
    }
    QVERIFY(log.lines().first().startsWith(QStringLiteral("The background picture could not be cached")));
    QVERIFY(screen->backgroundImageView()->hasImage());
    QCOMPARE(QDir(platform.services.cachesDirectory).entryList(QDir::Files | QDir::Hidden), QStringList());
    const QString blocker = platform.directory.filePath(QStringLiteral("a file"));
    QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
    platform.services.cachesDirectory = blocker + QStringLiteral("/caches");
    auto other = makeScreen(platform);
    other->loadBackgroundImageFromURL(url);
    QTRY_COMPARE(log.lines().size(), 2);
    QVERIFY(log.lines().last().startsWith(QStringLiteral("The caches folder")));
    QVERIFY(other->backgroundImageView()->hasImage());
}

void AccountTest::latePicturesChangeNothing_data()
{
    QTest::addColumn<bool>("logout"); // else a newer background download follows
    QTest::newRow("newer download") << false;
    QTest::newRow("logout") << true;
}

void AccountTest::latePicturesChangeNothing()
{
    QFETCH(bool, logout);
    TestPlatform platform;
    auto screen = makeScreen(platform);
    // The late pictures are green; the background served at once is red.
    const QUrl late(m_server.origin() + QStringLiteral("/slow-bg.png"));
    screen->loadBackgroundImageFromURL(late);
    screen->loadIconImageFromURL(late);
    if (logout)
        screen->logoutButtonTapped();
    else
        screen->loadBackgroundImageFromURL(QUrl(m_server.origin() + QStringLiteral("/bg.png")));
    QTRY_COMPARE(m_server.requests().size(), logout ? 2 : 3);
    QTest::qWait(500);
    QCOMPARE(screen->iconImageView()->hasImage(), !logout);
    QFile cache(screen->cachedImagePath());
    if (logout) {
        QVERIFY(!screen->backgroundImageView()->hasImage());
        QVERIFY(!cache.exists());
    } else {
        QCOMPARE(screen->backgroundImageView()->image().pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(cache.open(QIODevice::ReadOnly));
        QCOMPARE(cache.readAll(), m_background);
    }
}

void AccountTest::logout()
{
    TestPlatform platform;
    platform.userDefaults->setString(QStringLiteral("login"), QStringLiteral("demo"));
    platform.userDefaults->setString(QStringLiteral("password"), QStringLiteral("demo"));
    auto screen = makeScreen(platform);
    QWidget *root = screen.get();
    QTRY_VERIFY(screen->logoutButton()->isVisibleTo(root));
    QTRY_VERIFY(screen->iconImageView()->hasImage());
    screen->loginTextField()->setText(QStringLiteral("typed"));

    screen->logoutButton()->click();
    for (const char *key : {"login", "password", "userData"})
        QVERIFY(!platform.userDefaults->hasKey(QString::fromLatin1(key)));
    const SettingsFileCopy reread(platform.userDefaults->filePath());
    QVERIFY(!reread->hasKey(QStringLiteral("password")));
    QVERIFY(screen->loginTextField()->isVisibleTo(root));
    QVERIFY(screen->passwordTextField()->isVisibleTo(root));
    QVERIFY(screen->authButton()->isVisibleTo(root));
    QVERIFY(!screen->logoutButton()->isVisibleTo(root));
    QVERIFY(!screen->refreshButton()->isVisibleTo(root));
    QVERIFY(screen->resultLabel()->isVisibleTo(root));
    QCOMPARE(screen->resultLabel()->text(), QString(""));
    QCOMPARE(screen->loginTextField()->text(), QStringLiteral("typed"));
    QVERIFY(!screen->backgroundImageView()->hasImage());
    QCOMPARE(Geometry::backgroundColor(root), QColor(Qt::white));
    QVERIFY(!screen->iconImageView()->hasImage());
    QVERIFY(!screen->customDimmingView()->isVisibleTo(root));
    QCOMPARE(screen->navigationItem()->titleView(), nullptr);
}

void AccountTest::refreshReplacesTheViews()
{
    TestPlatform platform;
    platform.userDefaults->setString(QStringLiteral("login"), QStringLiteral("demo"));
    platform.userDefaults->setString(QStringLiteral("password"), QStringLiteral("demo"));
    auto screen = makeScreen(platform);
    QTRY_VERIFY(screen->refreshButton()->isVisibleTo(screen.get()));
    QTRY_VERIFY(screen->iconImageView()->hasImage());
    const int views = stacking(screen.get()).size();

    QPointer<QLineEdit> oldField = screen->loginTextField();
    screen->refreshButton()->click();
    QCOMPARE(stacking(screen.get()).size(), views);
    QVERIFY(oldField.isNull());
    QVERIFY(!screen->loginTextField()->isVisibleTo(screen.get()));
    QTRY_COMPARE(screen->resultLabel()->text(), QStringLiteral("demo"));
    QTRY_COMPARE(accountRequests().size(), 2);
    QTRY_VERIFY(screen->logoutButton()->isVisibleTo(screen.get()));
    QCOMPARE(stacking(screen.get()).size(), views);
}

QTEST_MAIN(AccountTest)
#include "tst_account.moc"
