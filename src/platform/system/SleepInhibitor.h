#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QPointer>
#include <QTimer>

// Keeps the desktop from suspending while music plays: through the XDG
// desktop portal's Inhibit interface on the session bus where a portal
// answers, else through logind's on the system bus. It asks when playback
// starts and lets go half a second after it stops (a next track within
// that keeps it), and when it goes. Each inhibition belongs to this
// process's bus connection (the portal) or to a file descriptor (logind),
// so that one ends with the process however the process ends.
class QDBusPendingCallWatcher;

class SleepInhibitor : public QObject
{
    Q_OBJECT

public:
    static constexpr int kLetGoDelayMs = 500;

    explicit SleepInhibitor(const QDBusConnection &session, QObject *parent = nullptr);
    ~SleepInhibitor() override;

    void setPlaying(bool playing);
    bool isInhibiting() const { return !m_portalRequest.isEmpty() || m_logindLock.isValid(); }

private:
    void request();
    void requestFromLogind();
    void letGo();

    QDBusConnection m_session;
    QString m_portalRequest;
    QPointer<QDBusPendingCallWatcher> m_portalCall;
    QDBusUnixFileDescriptor m_logindLock;
    bool m_wanted = false;
    bool m_asking = false;
    QTimer m_letGo;
};
