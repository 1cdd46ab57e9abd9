#include "app/DesktopApplicationAdaptor.h"

DesktopApplicationAdaptor::DesktopApplicationAdaptor(QObject *parent, std::function<void()> activate,
                                                     Action action)
    : QDBusAbstractAdaptor(parent)
    , m_activate(std::move(activate))
    , m_action(std::move(action))
{
}

void DesktopApplicationAdaptor::Activate(const QVariantMap &)
{
    m_activate();
}

void DesktopApplicationAdaptor::Open(const QStringList &, const QVariantMap &)
{
    // Kavu opens no files or addresses; being asked to shows the window.
    m_activate();
}

void DesktopApplicationAdaptor::ActivateAction(const QString &name, const QVariantList &parameter,
                                               const QVariantMap &)
{
    m_action(name, parameter);
}
