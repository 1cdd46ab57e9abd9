#include "player/TrackInfoReply.h"

#include "platform/UrlText.h"

#include <QStringList>

QString TrackInfoReply::trimSpacesAndTabs(const QString &text)
{
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

TrackInfoReply TrackInfoReply::parse(const std::optional<QString> &text)
{
    TrackInfoReply reply;
    if (!text)
        return reply;
    const QStringList pieces = text->split(QLatin1Char(','));
    if (pieces.size() != 5)
        return reply;

    const QStringList nextField = pieces.at(4).split(QLatin1Char(':'));
    if (nextField.size() == 2)
        reply.nextSongID = trimSpacesAndTabs(nextField.at(1));

    const std::optional<QUrl> audio = webUrlWithString(pieces.at(0));
    const std::optional<QUrl> icon = webUrlWithString(pieces.at(1));
    if (!audio || !icon) {
        reply.status = Status::BadUrl;
        return reply;
    }
    reply.status = Status::Valid;
    reply.audioURL = *audio;
    reply.iconURL = *icon;
    reply.songName = pieces.at(2);
    reply.artistName = pieces.at(3);
    return reply;
}
