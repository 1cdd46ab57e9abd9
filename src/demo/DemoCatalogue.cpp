#include "demo/DemoCatalogue.h"

namespace DemoCatalogue {

const QList<DemoTrack> &tracks()
{
    static const QList<DemoTrack> all = {
        {1, QStringLiteral("Белые ночи"), QStringLiteral("Кавуновый оркестр"), 1},
        {2, QStringLiteral("Morning Drive"), QStringLiteral("The Kavu Band"), 2},
        {3, QStringLiteral("Летний дождь"), QStringLiteral("Кавуновый оркестр"), 1},
        {4, QStringLiteral("Night Signal"), QStringLiteral("The Kavu Band"), 2},
        {5, QStringLiteral("Тихая гавань"), QStringLiteral("Анна Северова"), 3},
        {6, QStringLiteral("Paper Planes"), QStringLiteral("Lumen Trio"), 3},
        {7, QStringLiteral("Вечерний трамвай"), QStringLiteral("Анна Северова"), 3},
        {8, QStringLiteral("Coastline"), QStringLiteral("The Kavu Band"), 2},
    };
    return all;
}

const QList<DemoAlbum> &albums()
{
    static const QList<DemoAlbum> all = {
        {1, QStringLiteral("Северное сияние"), QStringLiteral("Кавуновый оркестр")},
        {2, QStringLiteral("Open Roads"), QStringLiteral("The Kavu Band")},
        {3, QStringLiteral("Городские истории"), QStringLiteral("Разные исполнители")},
    };
    return all;
}

const DemoTrack *track(int id)
{
    for (const DemoTrack &candidate : tracks()) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

const DemoAlbum *album(int id)
{
    for (const DemoAlbum &candidate : albums()) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

QList<DemoTrack> tracksOfAlbum(int albumId)
{
    QList<DemoTrack> result;
    for (const DemoTrack &candidate : tracks()) {
        if (candidate.album == albumId)
            result.append(candidate);
    }
    return result;
}

int nextTrackId(int id)
{
    return id >= tracks().size() ? 1 : id + 1;
}

QByteArray trackInfoReply(const DemoTrack &track, const QString &origin)
{
    return QStringLiteral("%1/media/track-%2.wav,%1/media/cover-%2.png,%3,%4,next:%5")
        .arg(origin, QString::number(track.id), track.title, track.artist,
             QString::number(nextTrackId(track.id)))
        .toUtf8();
}

} // namespace DemoCatalogue
