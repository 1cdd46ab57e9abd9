#pragma once

#include <QObject>

class FilePlayer;

class FilePlayerDelegate
{
public:
    virtual ~FilePlayerDelegate() = default;
    // The track ended; successfully is true only when it played to its end
    // without a decoding error.
    virtual void audioPlayerDidFinishPlaying(FilePlayer *player, bool successfully) = 0;
};

// Plays one whole track that it holds (the toolkit's file player). Times
// are seconds.
class FilePlayer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    FilePlayerDelegate *delegate() const { return m_delegate; }
    void setDelegate(FilePlayerDelegate *delegate) { m_delegate = delegate; }

    virtual bool play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    virtual double duration() const = 0;
    virtual double currentTime() const = 0;
    virtual void setCurrentTime(double seconds) = 0;
    // The names the desktop's sound settings show for the track.
    virtual void setTitleAndArtist(const QString &title, const QString &artist)
    {
        Q_UNUSED(title);
        Q_UNUSED(artist);
    }

private:
    FilePlayerDelegate *m_delegate = nullptr;
};
