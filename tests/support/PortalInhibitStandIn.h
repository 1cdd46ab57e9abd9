#pragma once

#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

// A stand-in for the XDG desktop portal's Inhibit interface on a bus: it
// owns org.freedesktop.portal.Desktop, answers Inhibit with a request
// object whose Close it records, and lists what it was asked, in order
// ("Inhibit FLAGS", "Close"). It serves from a thread of its own, so that
// a caller in the same process may wait for its answer.
class PortalInhibitStandIn : public QObject
{
    Q_OBJECT

public:
    PortalInhibitStandIn() = default;
    ~PortalInhibitStandIn() override;

    // Takes the portal's name on the bus at address.
    bool start(const QString &address);
    QStringList calls() const;

    // Called over the bus (on its thread).
    QString inhibit(uint flags);
    void close(const QString &request);

private:
    QThread m_thread;
    QString m_connection;
    mutable QMutex m_lock;
    QStringList m_calls;
    int m_requests = 0;
};
