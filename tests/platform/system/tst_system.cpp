#include "FileSizeLimit.h"
#include "LogCapture.h"
#include "SettingsFileCopy.h"
#include "platform/system/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The system seam: user defaults.
class SystemTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void userDefaultsRoundTrip();
    void userDefaultsFileIsOwnerOnly();
    void brokenSettingsFiles_data();
    void brokenSettingsFiles();
};

void SystemTest::userDefaultsRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/defaults.conf"));
    {
        UserDefaults defaults(path);
        QCOMPARE(defaults.stringForKey(QStringLiteral("customURL")), std::nullopt);
        defaults.setString(QStringLiteral("customURL"), QString(""));
        defaults.setString(QStringLiteral("login"), QStringLiteral(" демо "));
        defaults.setString(QStringLiteral("gone"), QStringLiteral("x"));
        defaults.removeObjectForKey(QStringLiteral("gone"));
        defaults.setStringArray(QStringLiteral("userData"),
                                {QStringLiteral("a"), QStringLiteral("b,c"), QString("")});
        QVERIFY(defaults.synchronize());
    }
    const SettingsFileCopy reread(path);
    // The empty string is a value, not absence.
    const std::optional<QString> custom = reread->stringForKey(QStringLiteral("customURL"));
    QVERIFY(custom.has_value());
    QCOMPARE(*custom, QString(""));
    QCOMPARE(reread->stringForKey(QStringLiteral("login")), std::optional<QString>(QStringLiteral(" демо ")));
    QCOMPARE(reread->stringForKey(QStringLiteral("gone")), std::nullopt);
    QVERIFY(!reread->hasKey(QStringLiteral("gone")));
    QCOMPARE(reread->stringArrayForKey(QStringLiteral("userData")),
             std::optional<QStringList>({QStringLiteral("a"), QStringLiteral("b,c"), QString("")}));
    // A list is not a string.
    QCOMPARE(reread->stringForKey(QStringLiteral("userData")), std::nullopt);
}

void SystemTest::userDefaultsFileIsOwnerOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.conf"));
    UserDefaults defaults(path);
    defaults.setString(QStringLiteral("password"), QStringLiteral("secret"));
    QVERIFY(defaults.synchronize());
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileDevice::Permissions all = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
        | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(path) & all, ownerOnly);
    defaults.setString(QStringLiteral("login"), QStringLiteral("again"));
    QVERIFY(defaults.synchronize());
    QCOMPARE(QFile::permissions(path) & all, ownerOnly);
}

void SystemTest::brokenSettingsFiles_data()
{
    QTest::addColumn<QString>("place");    // the file's path in the test's folder
    QTest::addColumn<QByteArray>("bytes"); // what the file holds beforehand
    QTest::addColumn<bool>("fullDisk");    // no file may grow while it is used
    QTest::addColumn<QString>("login");    // what is read at the start
    QTest::addColumn<QStringList>("logged");
    const QByteArray valid = "[General]\nlogin=me\n";
    // Garbage that Qt finds damaged only once a value is asked for.
    QByteArray garbage = valid;
    for (int i = 0; i < 512; ++i)
        garbage.append(char((i * 7919) % 256));
    QTest::newRow("damaged") << "a.conf" << garbage << false << "me" << QStringList{"is damaged"};
    QTest::newRow("a folder in its place") << "a.conf" << QByteArray() << false << QString()
                                           << QStringList{"cannot be read"};
    QTest::newRow("full disk") << "a.conf" << valid << true << "me" << QStringList{"cannot be written"};
    QTest::newRow("folder cannot be made") << "file/sub/a.conf" << QByteArray() << false << QString()
                                           << QStringList{"folder", "cannot be written"};
}

void SystemTest::brokenSettingsFiles()
{
    // Kavu starts with what it can read, says what went wrong once, and
    // leaves the user's file as it was, with no other file beside it.
    QFETCH(QString, place);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fullDisk);
    QFETCH(QString, login);
    QFETCH(QStringList, logged);
    QTemporaryDir dir;
    const QString path = dir.filePath(place);
    QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
    if (bytes.isNull() && place == QLatin1String("a.conf"))
        QVERIFY(QDir(dir.path()).mkdir(place));
    if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    LogCapture log;
    {
        std::optional<FileSizeLimit> limit;
        if (fullDisk)
            limit.emplace(0);
        UserDefaults defaults(path);
        QCOMPARE(defaults.stringForKey(QStringLiteral("login")).value_or(QString()), login);
        defaults.setString(QStringLiteral("login"), QStringLiteral("new"));
        QVERIFY(!defaults.synchronize());
        QVERIFY(!defaults.synchronize());
        QCOMPARE(defaults.stringForKey(QStringLiteral("login")), std::optional<QString>(QStringLiteral("new")));
    }
    QCOMPARE(log.lines().size(), logged.size());
    for (int i = 0; i < logged.size(); ++i)
        QVERIFY2(log.lines().at(i).contains(logged.at(i)), qPrintable(log.lines().at(i)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }
}

QTEST_GUILESS_MAIN(SystemTest)
#include "tst_system.moc"
