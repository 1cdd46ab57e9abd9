#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct DemoTrack
{
    int id;
    QString title;
    QString artist;
    int album;
};

struct DemoAlbum
{
    int id;
    QString title;
    QString artist;
};

// The demo service's catalogue: a few tracks in three albums. Names hold no
// "," or ":" so that they fit a track-info reply.
namespace DemoCatalogue {

const QList<DemoTrack> &tracks();
const QList<DemoAlbum> &albums();
const DemoTrack *track(int id);
const DemoAlbum *album(int id);
QList<DemoTrack> tracksOfAlbum(int albumId);
// The track that follows, the first one after the last.
int nextTrackId(int id);

// The track-info reply for a track, with its stream and picture on origin.
QByteArray trackInfoReply(const DemoTrack &track, const QString &origin);

} // namespace DemoCatalogue
