#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

// The org.freedesktop.Application interface of the Kavu that runs: a later
// start asks it to show its window (Activate) or to act on the command
// line's request (ActivateAction "site-address" with the address, or
// "reset-site-address").
class DesktopApplicationAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    using Action = std::function<void(const QString &name, const QVariantList &parameter)>;

    DesktopApplicationAdaptor(QObject *parent, std::function<void()> activate, Action action);

public Q_SLOTS:
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &name, const QVariantList &parameter, const QVariantMap &platformData);

private:
    std::function<void()> m_activate;
    Action m_action;
};
