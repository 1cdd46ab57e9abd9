#pragma once

#include "platform/net/UrlLoader.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <optional>

class StreamingPlayer;
class StreamingPlayerFactory;
class StreamingPlayerItem;

// The track that follows the playing one, asked for some seconds before
// its end, quietly: no log line, no alert, no indicator; once, however
// often seeks and pauses bring the track back there. A reply that would
// fail is dropped (the end asks again as always); a valid one is kept for
// the hand-over, and an item made for its stream, which the player follows
// the current track with. An item that fails goes (the end makes the
// track's stream anew, as a tap would).
class FollowingTrack : public QObject
{
    Q_OBJECT

public:
    // replyLimit: the most a track-info reply may hold.
    FollowingTrack(UrlLoader *loader, StreamingPlayerFactory *players, qint64 replyLimit, QObject *parent = nullptr);

    // Asks for the track (songID; none in radio mode) at trackInfo, unless
    // it was asked for already; player is told of its item once there is
    // one.
    void ask(const QUrl &trackInfo, const std::optional<QString> &songID, bool radioMode, StreamingPlayer *player);
    // Forgets it, and anything on its way, silently.
    void drop(StreamingPlayer *player);
    // The reply kept for that very request, taken; none otherwise.
    std::optional<UrlResponse> takeReply(const std::optional<QString> &songID, bool radioMode);
    // The item made for the stream at url, taken; none otherwise.
    StreamingPlayerItem *takeItem(const QUrl &url);

private:
    void handleReply(quint64 request, const UrlResponse &response, QPointer<StreamingPlayer> player);

    UrlLoader *m_loader;
    StreamingPlayerFactory *m_players;
    qint64 m_replyLimit;
    quint64 m_serial = 0;
    std::optional<QString> m_songID;
    bool m_radioMode = false;
    bool m_asked = false;
    std::optional<UrlResponse> m_reply;
    QPointer<StreamingPlayerItem> m_item;
};
