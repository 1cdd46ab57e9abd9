#include "platform/nowplaying/TrackNotifier.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUrl>

TrackNotifier::TrackNotifier(const QDBusConnection &session, const QString &desktopEntry,
                             std::function<bool()> windowIsActive, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_desktopEntry(desktopEntry)
    , m_windowIsActive(std::move(windowIsActive))
{
    m_coverWait.setSingleShot(true);
    m_coverWait.setInterval(kCoverWaitMs);
    connect(&m_coverWait, &QTimer::timeout, this, &TrackNotifier::notify);
}

void TrackNotifier::published(const QVariantMap &properties)
{
    const QVariantMap metadata = properties.value(QStringLiteral("Metadata")).toMap();
    const QString track = metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    const QString title = metadata.value(QStringLiteral("xesam:title")).toString();
    if (properties.value(QStringLiteral("PlaybackStatus")).toString() != QLatin1String("Playing")
        || track.isEmpty() || track == m_toldTrack || title.isEmpty())
        return;
    if (track != m_track)
        m_coverWait.start();
    m_track = track;
    m_title = title;
    m_artist = metadata.value(QStringLiteral("xesam:artist")).toStringList().join(QStringLiteral(", "));
    // Until its own cover has come, the record still shows the one of the
    // track before.
    const QString cover = metadata.value(QStringLiteral("mpris:artUrl")).toString();
    m_cover = cover == m_toldCover ? QString() : cover;
    if (!m_cover.isEmpty())
        notify();
}

void TrackNotifier::notify()
{
    m_coverWait.stop();
    if (m_track.isEmpty() || m_track == m_toldTrack)
        return;
    m_toldTrack = m_track;
    m_toldCover = m_cover;
    if (m_windowIsActive && m_windowIsActive())
        return;
    QVariantMap hints{{QStringLiteral("desktop-entry"), m_desktopEntry}};
    if (!m_cover.isEmpty())
        hints.insert(QStringLiteral("image-path"), m_cover);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Kavu") << uint(0) << m_desktopEntry << m_title << m_artist.toHtmlEscaped()
         << QStringList() << hints << -1;
    m_queued = call;
    sendQueued();
}

void TrackNotifier::sendQueued()
{
    // One call at a time: a notice sent before the server named the one it
    // replaces would stand beside it.
    if (m_awaitingReply || m_queued.type() != QDBusMessage::MethodCallMessage)
        return;
    QList<QVariant> arguments = m_queued.arguments();
    arguments[1] = m_lastNotification;
    m_queued.setArguments(arguments);
    const QDBusMessage call = m_queued;
    m_queued = QDBusMessage();
    m_awaitingReply = true;
    auto *watcher = new QDBusPendingCallWatcher(m_session.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (!reply.isError())
            m_lastNotification = reply.value();
        m_awaitingReply = false;
        sendQueued();
    });
}
