#include "platform/system/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
}

UserDefaults::UserDefaults(const QString &filePath)
    : m_filePath(filePath)
{
    const QFileInfo info(filePath);
    QDir().mkpath(info.absolutePath());
    if (!info.exists()) {
        // Create the file owner-only before QSettings writes to it: its
        // atomic writes keep the permissions of the file they replace.
        QFile file(filePath);
        if (file.open(QIODevice::WriteOnly, kOwnerOnly))
            file.close();
    }
    restrictPermissions();
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

UserDefaults::~UserDefaults()
{
    synchronize();
}

QString UserDefaults::defaultFilePath(const QString &name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/kavu/") + name + QStringLiteral(".conf");
}

std::optional<QString> UserDefaults::stringForKey(const QString &key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> UserDefaults::stringArrayForKey(const QString &key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() == QMetaType::QVariantList)
        return value.toStringList();
    return std::nullopt;
}

bool UserDefaults::hasKey(const QString &key) const
{
    return m_settings->contains(key);
}

void UserDefaults::setString(const QString &key, const QString &value)
{
    m_settings->setValue(key, value);
}

void UserDefaults::setStringArray(const QString &key, const QStringList &value)
{
    m_settings->setValue(key, value);
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    m_settings->remove(key);
}

bool UserDefaults::synchronize()
{
    m_settings->sync();
    restrictPermissions();
    return m_settings->status() == QSettings::NoError;
}

QString UserDefaults::filePath() const
{
    return m_filePath;
}

void UserDefaults::restrictPermissions()
{
    if (QFile::exists(m_filePath))
        QFile::setPermissions(m_filePath, kOwnerOnly);
}
