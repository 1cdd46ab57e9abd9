#pragma once

#include <QObject>
#include <QString>

class FilePlayer;

// A file player being made: its track downloading, then being read for its
// length. It says how much has come and, at last, gives the player or says
// why there is none, never before the call that started it has returned.
// Cancelled (or deleted) it says nothing more and leaves nothing behind.
class FilePlayerCreation : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void cancel() = 0;

Q_SIGNALS:
    // total is -1 while the track's size is not known.
    void progress(qint64 received, qint64 total);
    // The receiver takes the player; without one, error says why.
    void finished(FilePlayer *player, const QString &error);
};
