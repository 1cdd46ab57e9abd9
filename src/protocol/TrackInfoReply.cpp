#include "protocol/TrackInfoReply.h"

#include "platform/system/Log.h"
#include "platform/net/RemoteText.h"
#include "platform/net/TextDecoding.h"
#include "platform/net/UrlLoader.h"
#include "platform/net/UrlText.h"

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
    reply.audioText = pieces.at(0);
    reply.iconText = pieces.at(1);
    reply.songName = RemoteText::cut(pieces.at(2), RemoteText::kMaxNameLength);
    reply.artistName = RemoteText::cut(pieces.at(3), RemoteText::kMaxNameLength);
    return reply;
}

TrackInfoReply TrackInfoReply::receive(const UrlResponse &response)
{
    if (!response.succeeded() && !response.exceededLimit) {
        TrackInfoReply failed;
        failed.status = Status::ConnectionFailed;
        failed.connectionError = response.error;
        systemLog(QStringLiteral("Ошибка подключения: %1").arg(response.error));
        return failed;
    }
    // A body past the limit is not kept and counts as no text.
    const std::optional<QString> text =
        response.data ? decodeUtf8(*response.data) : std::optional<QString>();
    systemLog(QStringLiteral("Ответ сервера: %1").arg(text.value_or(QStringLiteral("(null)"))));

    const TrackInfoReply reply = parse(text);
    if (reply.status == Status::BadFormat) {
        systemLog(QStringLiteral("Неверный формат данных"));
        return reply;
    }
    if (reply.nextSongID)
        systemLog(QStringLiteral("ID следующей песни: %1").arg(*reply.nextSongID));
    if (reply.status == Status::BadUrl) {
        systemLog(QStringLiteral("Неверный формат URL"));
        return reply;
    }
    systemLog(QStringLiteral("Audio URL: %1").arg(reply.audioText));
    systemLog(QStringLiteral("Icon URL: %1").arg(reply.iconText));
    systemLog(QStringLiteral("Song Name: %1").arg(reply.songName));
    systemLog(QStringLiteral("Artist Name: %1").arg(reply.artistName));
    return reply;
}
