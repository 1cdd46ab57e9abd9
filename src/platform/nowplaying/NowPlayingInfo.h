#pragma once

#include <QImage>
#include <QString>

#include <optional>

// What the desktop is told about the track that plays.
struct NowPlayingInfo
{
    std::optional<QString> title;
    std::optional<QString> artist;
    QImage artwork;        // null when there is none
    double playbackDuration = 0; // seconds; not a number when unknown
    double elapsedPlaybackTime = 0;
    float playbackRate = 0;
    // Which of its source's tracks this is: a new number, a new track, even
    // when the names repeat.
    quint64 track = 0;
    // The track's own page (its share link); empty when it has none.
    QString link;
};
