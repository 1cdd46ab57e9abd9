#include "app/SingleInstance.h"

#include "app/CommandLine.h"
#include "app/DesktopApplicationAdaptor.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "platform/system/Log.h"
#include "platform/system/UserDefaults.h"
#include "protocol/SiteAddress.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTextStream>

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.Application");
const QString kSiteAddressAction = QStringLiteral("site-address");
const QString kResetAction = QStringLiteral("reset-site-address");
const QString kPreferencesAction = QStringLiteral("preferences");

} // namespace

SingleInstance::SingleInstance(const QString &applicationId, const QString &settingsPath, QObject *parent)
    : QObject(parent)
    , m_id(applicationId)
    , m_settingsPath(settingsPath)
    // Not "<settings>.lock": that is the lock the settings take while they
    // write the file.
    , m_lock(std::make_unique<QLockFile>(settingsPath + QStringLiteral(".instance")))
{
}

SingleInstance::~SingleInstance()
{
    if (m_named)
        QDBusConnection::sessionBus().unregisterService(m_id);
}

QString SingleInstance::objectPath(const QString &applicationId)
{
    return QLatin1Char('/') + QString(applicationId).replace(QLatin1Char('.'), QLatin1Char('/'));
}

bool SingleInstance::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
            m_id, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
            return false;
        m_named = true;
    }
    // The lock holds even where the bus does not reach (another session, or
    // none at all). Only another process holding it keeps this one out: a
    // lock that cannot be made (a folder that cannot be written) does not.
    QDir().mkpath(QFileInfo(m_settingsPath).absolutePath());
    if (m_lock->tryLock(0) || m_lock->error() != QLockFile::LockFailedError)
        return true;
    if (m_named) {
        bus.unregisterService(m_id);
        m_named = false;
    }
    return false;
}

int SingleInstance::handOver(const CommandLine &line)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_named && bus.isConnected() && bus.interface()->isServiceRegistered(m_id)) {
        const auto call = [&](const QString &method, const QVariantList &arguments) {
            QDBusMessage message = QDBusMessage::createMethodCall(m_id, objectPath(m_id), kInterface, method);
            message.setArguments(arguments);
            return bus.call(message, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
        };
        // A Kavu that is busy, or stopped, gets 5 s to answer; one that did
        // not answer the first call is not asked again.
        bool done = true;
        if (line.siteAddress)
            done = call(QStringLiteral("ActivateAction"),
                        {kSiteAddressAction, QVariantList{*line.siteAddress}, QVariantMap()});
        else if (line.resetSiteAddress)
            done = call(QStringLiteral("ActivateAction"), {kResetAction, QVariantList(), QVariantMap()});
        done = done && call(QStringLiteral("Activate"), {QVariantMap()});
        // The Preferences window comes in front of the window just raised.
        if (line.preferences)
            done = done && call(QStringLiteral("ActivateAction"), {kPreferencesAction, QVariantList(), QVariantMap()});
        if (done)
            return 0;
    }
    QTextStream(stderr) << "kavu: Kavu already runs with these settings and could not be reached\n";
    return 1;
}

void SingleInstance::serve(KavuApplication *application)
{
    if (!m_named)
        return;
    auto *exported = new QObject(this);
    const auto activate = [application] { application->window()->bringToFront(); };
    const auto action = [application](const QString &name, const QVariantList &parameter) {
        UserDefaults *defaults = application->services().userDefaults;
        const QString key = QStringLiteral("customURL");
        if (name == kPreferencesAction) {
            application->showPreferences();
            return;
        }
        if (name == kResetAction) {
            defaults->removeObjectForKey(key);
        } else if (name == kSiteAddressAction && parameter.size() == 1) {
            // Another process's word: checked again before it is stored.
            const QVariant value = parameter.first().canConvert<QDBusVariant>()
                ? parameter.first().value<QDBusVariant>().variant()
                : parameter.first();
            const QString address = value.toString();
            if (!SiteAddress::isUsable(address))
                return;
            defaults->setString(key, address);
        } else {
            return;
        }
        defaults->synchronize();
        systemLog(QStringLiteral("The catalogue site address takes effect at the next start."));
    };
    new DesktopApplicationAdaptor(exported, activate, action);
    QDBusConnection::sessionBus().registerObject(objectPath(m_id), exported);
}
