#pragma once

#include "platform/media/PlaybackPipeline.h"
#include "platform/media/StreamingPlayerItem.h"
#include "platform/media/TrackNames.h"
#include "platform/system/InstanceCounter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <limits>
#include <memory>

class AudioEngine;
class TrackBuffer;
class TrackDownload;
class UrlLoader;

// A player item of MediaStreamingPlayer: a track that downloads into its
// TrackBuffer from the moment the item is made, and plays from there on a
// pipeline of the engine. It fails, once, when the download fails for good,
// when the pipeline cannot play what came, or when playback has waited for
// the wait time-out while nothing came, or came slower than a download may
// (UrlConnection::kMinimumDownloadRate).
class MediaStreamingPlayerItem : public StreamingPlayerItem
{
    Q_OBJECT

public:
    // How many exist now.
    static int liveCount() { return InstanceCounter<MediaStreamingPlayerItem>::live(); }
    // How long before its end an item says so (willPlayToEndTime).
    static constexpr qint64 kEndNoticeMs = 10000;

    MediaStreamingPlayerItem(const QUrl &url, std::shared_ptr<TrackBuffer> buffer, AudioEngine *engine,
                             UrlLoader *loader, qint64 maxBytes, int waitTimeoutMs, QObject *parent = nullptr);
    ~MediaStreamingPlayerItem() override;

    double duration() const override;
    bool isWaitingForData() const override { return m_waitingForBytes || m_waitingForOutput; }
    void setTitleAndArtist(const QString &title, const QString &artist) override;

    // The player's side. The item plays on a pipeline while it is the
    // pipeline's current source: it took one, or it followed the item
    // before it on that pipeline.
    bool isCurrent() const;
    // It follows the current item of its pipeline.
    bool isNext() const;
    bool hasFailed() const { return m_failed; }
    // Plays on a pipeline of its own, unless it plays on one already.
    void ensurePipeline();
    PlaybackPipeline *pipeline() const { return isCurrent() ? m_pipeline.data() : nullptr; }
    // Follows current on its pipeline (current must play on one).
    void follow(MediaStreamingPlayerItem *current);
    // Follows nothing any more (it may play on, once it took over).
    void stopFollowing();
    // No longer plays nor follows anything; its pipeline goes back to the
    // engine.
    void release();
    void play();
    void pause();
    void seek(qint64 ms);
    double currentTime() const;
    bool isPlaying() const;

Q_SIGNALS:
    // Playing, paused, ended or failed: what rate() reads changed.
    void playbackChanged();

private:
    void attachTo(PlaybackPipeline *pipeline);
    void onWaiting(bool waiting, qint64 offset);
    void onProgress();
    void checkWaiting();
    void restartWaitClock();
    void fail(const QString &error);
    void setDuration(double seconds);

    QPointer<AudioEngine> m_engine;
    std::shared_ptr<TrackBuffer> m_buffer;
    TrackDownload *m_download;
    QPointer<PlaybackPipeline> m_pipeline;
    // The stream it is on any pipeline.
    quint64 m_stream;
    TrackNames m_names;
    int m_waitTimeoutMs;
    QTimer m_waitCheck;
    QElapsedTimer m_waitingSince;
    qint64 m_receivedWhenWaitBegan = 0;
    double m_duration = std::numeric_limits<double>::quiet_NaN();
    // Playback waits for bytes of the track, or for the sound output.
    bool m_waitingForBytes = false;
    bool m_waitingForOutput = false;
    bool m_ended = false;
    bool m_failed = false;
    bool m_endNoticeDue = true;
    InstanceCounter<MediaStreamingPlayerItem> m_counted;
};
