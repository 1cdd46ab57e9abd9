#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <functional>

// Tells the desktop of each new track that starts while Kavu's window is
// not the active one, with one notification (org.freedesktop.Notifications):
// the song as its summary, the artist as its body (escaped: bodies may hold
// markup), the cover as its image, app name "Kavu" and the desktop entry,
// replacing the notification of the track before so that they never stack.
// It reads what the now-playing center publishes; a track's cover comes a
// moment after its names, so the notification waits up to a second for it.
// The desktop's notification settings turn it off as for any application.
class TrackNotifier : public QObject
{
    Q_OBJECT

public:
    static constexpr int kCoverWaitMs = 1000;

    TrackNotifier(const QDBusConnection &session, const QString &desktopEntry,
                  std::function<bool()> windowIsActive, QObject *parent = nullptr);

    // The center's properties as they were just published.
    void published(const QVariantMap &properties);

private:
    void notify();
    void sendQueued();

    QDBusConnection m_session;
    QString m_desktopEntry;
    std::function<bool()> m_windowIsActive;
    QTimer m_coverWait;
    // The track told of last, and the one waiting for its cover.
    QString m_toldTrack;
    QString m_toldCover;
    QString m_track;
    QString m_title;
    QString m_artist;
    QString m_cover;
    uint m_lastNotification = 0;
    // The notice waiting for the call before it to be answered.
    QDBusMessage m_queued;
    bool m_awaitingReply = false;
};
