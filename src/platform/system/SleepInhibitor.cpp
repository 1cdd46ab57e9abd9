#include "platform/system/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kReason = QStringLiteral("Kavu is playing music");
// The portal's flag for suspending.
constexpr uint kSuspend = 4;

} // namespace

SleepInhibitor::SleepInhibitor(const QDBusConnection &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    m_letGo.setSingleShot(true);
    m_letGo.setInterval(kLetGoDelayMs);
    connect(&m_letGo, &QTimer::timeout, this, &SleepInhibitor::letGo);
}

SleepInhibitor::~SleepInhibitor()
{
    // Quitting: the portal hears it before the process ends (at most a
    // second, for a request still on its way too); logind's lock closes
    // with its descriptor.
    if (m_asking && m_portalCall) {
        // The call, not its watcher: the watcher would tell this object.
        QDBusPendingReply<QDBusObjectPath> reply = *static_cast<QDBusPendingCall *>(m_portalCall.data());
        m_portalCall->disconnect(this);
        reply.waitForFinished();
        if (!reply.isError())
            m_portalRequest = reply.value().path();
    }
    if (!m_portalRequest.isEmpty()) {
        m_session.call(QDBusMessage::createMethodCall(kPortal, m_portalRequest,
                                                      QStringLiteral("org.freedesktop.portal.Request"),
                                                      QStringLiteral("Close")),
                       QDBus::Block, 1000);
    }
}

void SleepInhibitor::setPlaying(bool playing)
{
    m_wanted = playing;
    if (!playing) {
        if (isInhibiting() && !m_letGo.isActive())
            m_letGo.start();
        return;
    }
    m_letGo.stop();
    if (!isInhibiting() && !m_asking)
        request();
}

void SleepInhibitor::request()
{
    m_asking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                       QStringLiteral("org.freedesktop.portal.Inhibit"),
                                                       QStringLiteral("Inhibit"));
    call << QString() << kSuspend << QVariantMap{{QStringLiteral("reason"), kReason}};
    auto *watcher = new QDBusPendingCallWatcher(m_session.asyncCall(call, 1000), this);
    m_portalCall = watcher;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        m_portalCall = nullptr;
        const QDBusPendingReply<QDBusObjectPath> reply = *finished;
        if (reply.isError()) {
            requestFromLogind();
            return;
        }
        m_asking = false;
        m_portalRequest = reply.value().path();
        if (!m_wanted)
            letGo();
    });
}

void SleepInhibitor::requestFromLogind()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Kavu") << kReason << QStringLiteral("block");
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
        // Neither answers (a bare session): nothing keeps the machine awake.
        if (reply.isError())
            return;
        m_logindLock = reply.value();
        if (!m_wanted)
            letGo();
    });
}

void SleepInhibitor::letGo()
{
    if (!m_portalRequest.isEmpty()) {
        m_session.asyncCall(QDBusMessage::createMethodCall(kPortal, m_portalRequest,
                                                           QStringLiteral("org.freedesktop.portal.Request"),
                                                           QStringLiteral("Close")));
        m_portalRequest.clear();
    }
    m_logindLock = QDBusUnixFileDescriptor();
}
