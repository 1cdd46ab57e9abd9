#pragma once

#include <QString>
#include <QUrl>

class FilePlayer;

// Creates a file player for the track at a URL. Creation returns only when
// the player holds the complete track, or when it failed: then it returns
// null and says why in error.
class FilePlayerFactory
{
public:
    virtual ~FilePlayerFactory() = default;
    virtual FilePlayer *createWithContentsOfURL(const QUrl &url, QString *error) = 0;
};
