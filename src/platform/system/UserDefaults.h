#pragma once

#include <QHash>
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
//
// A file that cannot be read, or not wholly parsed, is left as it is for its
// owner to repair: its readable values are used, changes stay in memory for
// this run, and it is never written. A file that cannot be written keeps its
// old contents (writes are atomic). Each of these problems is logged once.
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
    // What the key held the first time this run asked for it this way: the
    // value the run started with (the screens ask as they load, at the
    // start). Later changes are stored at once but are for the next run.
    std::optional<QString> stringForKeyAsStarted(const QString &key) const;
    std::optional<QStringList> stringArrayForKey(const QString &key) const;
    bool hasKey(const QString &key) const;

    void setString(const QString &key, const QString &value);
    void setStringArray(const QString &key, const QStringList &value);
    void removeObjectForKey(const QString &key);

    // Writes the values to the file; true when they reached it.
    bool synchronize();

    QString filePath() const;
    // True when the file could not be read or parsed, and is left alone.
    bool isReadOnly() const { return !m_settings; }

private:
    void restrictPermissions();
    QVariant value(const QString &key) const;

    QString m_filePath;
    // The file's store; none when the file is left alone, and the values
    // live in m_memory instead.
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_memory;
    mutable QHash<QString, std::optional<QString>> m_asStarted;
    bool m_writeFailureLogged = false;
};
