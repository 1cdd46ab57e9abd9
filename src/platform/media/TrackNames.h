#pragma once

#include <QString>

// A track's names as the desktop's sound settings show them.
struct TrackNames
{
    QString title;
    QString artist;

    bool isEmpty() const { return title.isEmpty() && artist.isEmpty(); }
};
