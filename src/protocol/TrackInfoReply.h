#pragma once

#include <QString>
#include <QUrl>

struct UrlResponse;

#include <optional>

// A track-info reply: one UTF-8 line of exactly five comma-separated pieces:
// stream address, picture address, song name, artist name, and a next-song
// field "label:ID".
struct TrackInfoReply
{
    enum class Status {
        ConnectionFailed, // no body arrived
        Valid,        // five pieces with two usable addresses
        BadFormat,    // not exactly five pieces (or no text at all)
        BadUrl,       // an address that is not an http(s) URL
    };

    Status status = Status::BadFormat;
    // The next track's ID when the fifth piece holds exactly one ":": the
    // part after it, trimmed of spaces and tabs (line breaks stay).
    std::optional<QString> nextSongID;
    QUrl audioURL;
    QUrl iconURL;
    // The two addresses as the reply wrote them; the URLs above are their
    // parsed, normalised form (a host in lower case, say).
    QString audioText;
    QString iconText;
    QString songName;
    QString artistName;
    QString connectionError;

    static TrackInfoReply parse(const std::optional<QString> &text);

    // Reads a reply as it came over the network and writes the log lines of
    // each step: the connection error, or the reply's text ("(null)" when it
    // is no UTF-8 or past the size limit), then the format error, the next
    // track's ID, the address error, or the four lines of a valid track.
    static TrackInfoReply receive(const UrlResponse &response);
    // Trims spaces and tabs, and nothing else, at both ends.
    static QString trimSpacesAndTabs(const QString &text);
};
