// The track-info reply parser, on any bytes.
#include "platform/net/TextDecoding.h"
#include "protocol/TrackInfoReply.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QString> text = decodeUtf8(bytes);
    const TrackInfoReply reply = TrackInfoReply::parse(text);
    if (reply.status == TrackInfoReply::Status::Valid) {
        // Only web addresses with a host are ever fetched.
        for (const QUrl &url : {reply.audioURL, reply.iconURL}) {
            if ((url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
                || url.host().isEmpty())
                abort();
        }
        if (reply.songName.contains(QLatin1Char(',')) || reply.artistName.contains(QLatin1Char(',')))
            abort();
    }
    if (reply.nextSongID) {
        const QString &next = *reply.nextSongID;
        if (next.startsWith(QLatin1Char(' ')) || next.startsWith(QLatin1Char('\t'))
            || next.endsWith(QLatin1Char(' ')) || next.endsWith(QLatin1Char('\t'))
            || next.contains(QLatin1Char(':')) || next.contains(QLatin1Char(',')))
            abort();
    }
    if (!text && reply.status != TrackInfoReply::Status::BadFormat)
        abort();
    return 0;
}
