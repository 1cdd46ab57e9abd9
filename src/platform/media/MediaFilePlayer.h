#pragma once

#include "platform/system/InstanceCounter.h"

#include "platform/media/FilePlayer.h"

#include <QPointer>

#include <memory>

class AudioEngine;
class PlaybackPipeline;
class QTemporaryFile;

// A file player on the application's engine that plays a whole track from a
// file of its own, which goes with it. Its pipeline lives on a thread of its
// own: nothing here waits for it.
class MediaFilePlayer : public FilePlayer
{
    Q_OBJECT

public:
    // How many exist now.
    static int liveCount() { return InstanceCounter<MediaFilePlayer>::live(); }

    // Starts reading the track in the file for its length.
    MediaFilePlayer(std::unique_ptr<QTemporaryFile> file, AudioEngine *engine, QObject *parent = nullptr);
    ~MediaFilePlayer() override;

    bool isLoaded() const;
    // Why the track cannot be played, once it cannot.
    QString failure() const { return m_failed ? m_error : QString(); }

    bool play() override;
    void pause() override;
    void stop() override;
    bool isPlaying() const override;
    double duration() const override;
    double currentTime() const override;
    void setCurrentTime(double seconds) override;
    void setTitleAndArtist(const QString &title, const QString &artist) override;

Q_SIGNALS:
    // The track was read: it can play, or failure() says why not.
    void loadingFinished();

private:
    void reportEnd(bool successfully);
    void checkLoaded();

    std::unique_ptr<QTemporaryFile> m_file;
    QPointer<AudioEngine> m_engine;
    PlaybackPipeline *m_pipeline;
    quint64 m_stream;
    bool m_failed = false;
    bool m_loadReported = false;
    QString m_error;
    InstanceCounter<MediaFilePlayer> m_counted;
};
