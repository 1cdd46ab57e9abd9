#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Small key/value store for the few values the application keeps between
// runs. Backed by an INI file that only its owner may read (mode 0600),
// because it holds the account credentials.
//
// A key that was never set (or was removed) is absent, which differs from a
// key that holds the empty string.
class UserDefaults
{
public:
    explicit UserDefaults(const QString &filePath);
    ~UserDefaults();

    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    // Default location: $XDG_CONFIG_HOME/kavu/<name>.conf
    static QString defaultFilePath(const QString &name);

    std::optional<QString> stringForKey(const QString &key) const;
    std::optional<QStringList> stringArrayForKey(const QString &key) const;
    bool hasKey(const QString &key) const;

    void setString(const QString &key, const QString &value);
    void setStringArray(const QString &key, const QStringList &value);
    void removeObjectForKey(const QString &key);

    // Writes the values to the file; true when they reached it.
    bool synchronize();

    QString filePath() const;

private:
    void restrictPermissions();

    QString m_filePath;
    std::unique_ptr<QSettings> m_settings;
};
