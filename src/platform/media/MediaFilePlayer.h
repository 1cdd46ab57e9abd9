#pragma once

#include "platform/system/InstanceCounter.h"

#include "platform/media/FilePlayer.h"

#include <QByteArray>
#include <QMediaPlayer>
#include <QUrl>

class MediaPlayerHost;

// A file player on Qt Multimedia that plays a whole track from memory. Its
// media player lives on a thread of its own (MediaPlayerHost): nothing
// here waits for it.
class MediaFilePlayer : public FilePlayer
{
    Q_OBJECT

public:
    // How many exist now.
    static int liveCount() { return InstanceCounter<MediaFilePlayer>::live(); }

    // Takes the track's bytes; the media is loaded by waitUntilLoaded.
    MediaFilePlayer(const QByteArray &track, const QUrl &url, QObject *parent = nullptr);
    ~MediaFilePlayer() override;

    // Runs the given loop until the media is loaded (true) or fails (false,
    // with the reason in error).
    bool waitUntilLoaded(class QEventLoop &loop, QString *error);

    bool play() override;
    void pause() override;
    void stop() override;
    bool isPlaying() const override;
    double duration() const override;
    double currentTime() const override;
    void setCurrentTime(double seconds) override;

private:
    void reportEnd(bool successfully);

    MediaPlayerHost *m_host;
    bool m_failed = false;
    QString m_error;
    InstanceCounter<MediaFilePlayer> m_counted;
};
