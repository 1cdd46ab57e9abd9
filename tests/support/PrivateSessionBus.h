#pragma once

#include <QProcess>
#include <QString>

// A D-Bus session bus of the test's own: a dbus-daemon that lives as long
// as the object. No test reaches the session it was started from.
class PrivateSessionBus
{
public:
    PrivateSessionBus() = default;
    ~PrivateSessionBus();

    // Starts the daemon; false when dbus-daemon could not be started.
    bool start();
    QString address() const { return m_address; }
    // Makes it this process's session bus, and that of the processes it
    // starts; before anything in the process has used the session bus.
    void makeSessionBus() const;

private:
    QProcess m_daemon;
    QString m_address;
};
