#include "player/FollowingTrack.h"

#include "platform/media/StreamingPlayer.h"
#include "platform/media/StreamingPlayerFactory.h"
#include "platform/media/StreamingPlayerItem.h"
#include "platform/net/TextDecoding.h"
#include "protocol/TrackInfoReply.h"

FollowingTrack::FollowingTrack(UrlLoader *loader, StreamingPlayerFactory *players, qint64 replyLimit,
                               QObject *parent)
    : QObject(parent)
    , m_loader(loader)
    , m_players(players)
    , m_replyLimit(replyLimit)
{
}

void FollowingTrack::ask(const QUrl &trackInfo, const std::optional<QString> &songID, bool radioMode,
                         StreamingPlayer *player)
{
    // Asked for already (on its way, or kept): once is enough, whatever
    // seeks or pauses brought the track back near its end.
    if (m_asked && songID == m_songID && radioMode == m_radioMode)
        return;
    drop(player);
    m_asked = true;
    m_songID = songID;
    m_radioMode = radioMode;
    const quint64 request = m_serial;
    QPointer<StreamingPlayer> guarded(player);
    m_loader->get(trackInfo, m_replyLimit, this,
                  [this, request, guarded](const UrlResponse &response) { handleReply(request, response, guarded); });
}

void FollowingTrack::handleReply(quint64 request, const UrlResponse &response, QPointer<StreamingPlayer> player)
{
    if (request != m_serial)
        return;
    const TrackInfoReply reply =
        TrackInfoReply::parse(response.data ? decodeUtf8(*response.data) : std::optional<QString>());
    if (!response.succeeded() || reply.status != TrackInfoReply::Status::Valid) {
        drop(player);
        return;
    }
    m_reply = response;
    StreamingPlayerItem *item = m_players->playerItemWithURL(reply.audioURL);
    if (!item)
        return;
    item->setParent(this);
    item->setTitleAndArtist(reply.songName, reply.artistName);
    m_item = item;
    // A stream that cannot be played is never handed over: the end then
    // starts it as a tap would, and its failure reads as a tap's.
    connect(item, &StreamingPlayerItem::failedToPlayToEndTime, this, [this, item, player] {
        if (m_item != item)
            return;
        m_item = nullptr;
        if (player)
            player->setNextItem(nullptr);
        item->deleteLater();
    });
    if (player)
        player->setNextItem(item);
}

void FollowingTrack::drop(StreamingPlayer *player)
{
    ++m_serial;
    m_asked = false;
    m_reply.reset();
    if (StreamingPlayerItem *item = m_item) {
        m_item = nullptr;
        if (player)
            player->setNextItem(nullptr);
        delete item;
    }
}

std::optional<UrlResponse> FollowingTrack::takeReply(const std::optional<QString> &songID, bool radioMode)
{
    if (!m_reply || songID != m_songID || radioMode != m_radioMode)
        return std::nullopt;
    const UrlResponse reply = *m_reply;
    m_reply.reset();
    m_asked = false;
    ++m_serial;
    return reply;
}

StreamingPlayerItem *FollowingTrack::takeItem(const QUrl &url)
{
    if (!m_item || m_item->url() != url)
        return nullptr;
    StreamingPlayerItem *item = m_item;
    m_item = nullptr;
    return item;
}
