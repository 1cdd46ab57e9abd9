#pragma once

#include <QUrl>

class FilePlayerCreation;

// Makes file players for the tracks at URLs, without waiting: the caller
// takes the creation and hears from it when the player exists or could not
// be made.
class FilePlayerFactory
{
public:
    virtual ~FilePlayerFactory() = default;
    virtual FilePlayerCreation *createWithContentsOfURL(const QUrl &url) = 0;
};
