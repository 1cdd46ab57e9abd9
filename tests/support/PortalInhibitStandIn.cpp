#include "PortalInhibitStandIn.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace {

class InhibitAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

public:
    InhibitAdaptor(QObject *parent, PortalInhibitStandIn *portal)
        : QDBusAbstractAdaptor(parent)
        , m_portal(portal)
    {
    }

public Q_SLOTS:
    QDBusObjectPath Inhibit(const QString &, uint flags, const QVariantMap &)
    {
        return QDBusObjectPath(m_portal->inhibit(flags));
    }

private:
    PortalInhibitStandIn *m_portal;
};

class RequestAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    RequestAdaptor(QObject *parent, PortalInhibitStandIn *portal, const QString &path)
        : QDBusAbstractAdaptor(parent)
        , m_portal(portal)
        , m_path(path)
    {
    }

public Q_SLOTS:
    void Close() { m_portal->close(m_path); }

private:
    PortalInhibitStandIn *m_portal;
    QString m_path;
};

} // namespace

PortalInhibitStandIn::~PortalInhibitStandIn()
{
    // The objects go on their thread, while their connection still knows
    // them.
    QObject *owner = this;
    QMetaObject::invokeMethod(this, [owner] { qDeleteAll(owner->children()); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    QDBusConnection::disconnectFromBus(m_connection);
}

bool PortalInhibitStandIn::start(const QString &address)
{
    m_connection = QStringLiteral("portal-stand-in");
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_connection);
    m_thread.start();
    moveToThread(&m_thread);
    auto *desktop = new QObject;
    new InhibitAdaptor(desktop, this);
    desktop->moveToThread(&m_thread);
    desktop->setParent(this);
    return bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), desktop)
        && bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QStringList PortalInhibitStandIn::calls() const
{
    const QMutexLocker lock(&m_lock);
    return m_calls;
}

QString PortalInhibitStandIn::inhibit(uint flags)
{
    const QMutexLocker lock(&m_lock);
    m_calls << QStringLiteral("Inhibit %1").arg(flags);
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/1/kavu%1").arg(++m_requests);
    auto *request = new QObject(this);
    new RequestAdaptor(request, this, path);
    QDBusConnection(m_connection).registerObject(path, request);
    return path;
}

void PortalInhibitStandIn::close(const QString &request)
{
    const QMutexLocker lock(&m_lock);
    m_calls << QStringLiteral("Close");
    QDBusConnection(m_connection).unregisterObject(request);
}

#include "PortalInhibitStandIn.moc"
