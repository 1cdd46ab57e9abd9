#include "platform/system/UserDefaults.h"

#include "platform/system/Log.h"

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
    if (!QDir().mkpath(info.absolutePath()))
        systemLog(QStringLiteral("The settings folder %1 cannot be created").arg(info.absolutePath()));
    if (!info.exists()) {
        // Create the file owner-only before QSettings writes to it: its
        // atomic writes keep the permissions of the file they replace.
        QFile file(filePath);
        if (file.open(QIODevice::WriteOnly, kOwnerOnly))
            file.close();
    }
    restrictPermissions();
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    // The file is read at the first access, and only then is its status known.
    const QStringList keys = m_settings->allKeys();
    const QSettings::Status status = m_settings->status();
    if (status == QSettings::NoError)
        return;
    systemLog(QStringLiteral("The settings file %1 %2; starting with what could be read, and leaving the file as it is")
                  .arg(filePath, status == QSettings::FormatError ? QStringLiteral("is damaged")
                                                                  : QStringLiteral("cannot be read")));
    for (const QString &key : keys)
        m_memory.insert(key, m_settings->value(key));
    // Nothing was changed, so the store goes without writing.
    m_settings.reset();
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

QVariant UserDefaults::value(const QString &key) const
{
    return m_settings ? m_settings->value(key) : m_memory.value(key);
}

std::optional<QString> UserDefaults::stringForKey(const QString &key) const
{
    const QVariant value = this->value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QString> UserDefaults::stringForKeyAsStarted(const QString &key) const
{
    const auto found = m_asStarted.constFind(key);
    if (found != m_asStarted.constEnd())
        return *found;
    const std::optional<QString> value = stringForKey(key);
    m_asStarted.insert(key, value);
    return value;
}

std::optional<QStringList> UserDefaults::stringArrayForKey(const QString &key) const
{
    const QVariant value = this->value(key);
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
    return m_settings ? m_settings->contains(key) : m_memory.contains(key);
}

void UserDefaults::setString(const QString &key, const QString &value)
{
    if (m_settings)
        m_settings->setValue(key, value);
    else
        m_memory.insert(key, value);
}

void UserDefaults::setStringArray(const QString &key, const QStringList &value)
{
    if (m_settings)
        m_settings->setValue(key, value);
    else
        m_memory.insert(key, value);
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    if (m_settings)
        m_settings->remove(key);
    else
        m_memory.remove(key);
}

bool UserDefaults::synchronize()
{
    if (!m_settings)
        return false;
    m_settings->sync();
    restrictPermissions();
    const bool written = m_settings->status() == QSettings::NoError;
    if (!written && !m_writeFailureLogged)
        systemLog(QStringLiteral("The settings file %1 cannot be written; the changes last until Kavu quits")
                      .arg(m_filePath));
    m_writeFailureLogged = m_writeFailureLogged || !written;
    return written;
}

QString UserDefaults::filePath() const
{
    return m_filePath;
}

void UserDefaults::restrictPermissions()
{
    if (QFileInfo(m_filePath).isFile())
        QFile::setPermissions(m_filePath, kOwnerOnly);
}
