#pragma once

#include <QObject>
#include <QString>

#include <memory>

class KavuApplication;
class QLockFile;
struct CommandLine;

// One Kavu for one settings file. The first process takes the application
// id as its name on the session bus and serves org.freedesktop.Application
// there; a later start hands its request over to it and ends. A lock file
// beside the settings keeps a second process from them even where there is
// no session bus.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    SingleInstance(const QString &applicationId, const QString &settingsPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // "/org/kavu/Kavu" for "org.kavu.Kavu".
    static QString objectPath(const QString &applicationId);

    // Whether this process is the one Kavu for these settings.
    bool claim();
    // Asks the Kavu that runs to show its window and to act on the command
    // line; returns this process's exit status.
    int handOver(const CommandLine &line);
    // Acts on the requests of later starts, for this running application.
    void serve(KavuApplication *application);

private:
    QString m_id;
    QString m_settingsPath;
    std::unique_ptr<QLockFile> m_lock;
    bool m_named = false;
};
