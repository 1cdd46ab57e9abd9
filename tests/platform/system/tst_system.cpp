#include "SettingsFileCopy.h"
#include "platform/system/UserDefaults.h"

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

QTEST_GUILESS_MAIN(SystemTest)
#include "tst_system.moc"
