#pragma once

#include "platform/system/UserDefaults.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A settings file as it is on disk, read through a copy: two settings
// objects for one file in one process share Qt's in-memory copy of it.
struct SettingsFileCopy
{
    explicit SettingsFileCopy(const QString &path)
    {
        QFile::copy(path, directory.filePath(QStringLiteral("copy.conf")));
        defaults = std::make_unique<UserDefaults>(directory.filePath(QStringLiteral("copy.conf")));
    }
    UserDefaults *operator->() const { return defaults.get(); }

    QTemporaryDir directory;
    std::unique_ptr<UserDefaults> defaults;
};
