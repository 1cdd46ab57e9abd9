#pragma once

#include <QObject>
#include <QUrl>

// One stream to play (the toolkit's player item). It reports the end of its
// media and a failure while it belongs to a player; a detached item reports
// nothing.
class StreamingPlayerItem : public QObject
{
    Q_OBJECT

public:
    explicit StreamingPlayerItem(const QUrl &url, QObject *parent = nullptr);

    QUrl url() const { return m_url; }
    // The media's duration in seconds; not a number while it is not known.
    virtual double duration() const = 0;
    // Whether playback waits for the stream's data (and holds its place).
    virtual bool isWaitingForData() const { return false; }
    // The names the desktop's sound settings show for the stream.
    virtual void setTitleAndArtist(const QString &title, const QString &artist)
    {
        Q_UNUSED(title);
        Q_UNUSED(artist);
    }

Q_SIGNALS:
    void didPlayToEndTime();
    void failedToPlayToEndTime(const QString &error);
    // The duration became known or changed.
    void durationChanged(double seconds);
    // Playing, the item is some seconds from its end: time to name what
    // follows it (StreamingPlayer::setNextItem). Told again after a seek
    // or a pause brought it back there.
    void willPlayToEndTime();
    // Playback started or stopped waiting for the stream's data.
    void waitingForDataChanged(bool waiting);

private:
    QUrl m_url;
};
