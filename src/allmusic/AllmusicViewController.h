#pragma once

#include "platform/media/FilePlayer.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/ImageView.h"
#include "platform/PlatformServices.h"
#include "platform/ui/RoundedButton.h"
#include "platform/ui/Slider.h"
#include "platform/net/UrlLoader.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/VolumeAndTimeControls.h"
#include "platform/web/WebView.h"
#include "platform/nowplaying/NowPlayingCommandTarget.h"
#include "platform/nowplaying/NowPlayingState.h"

#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

#include <optional>

class FilePlayerCreation;

// The direct track player: a page of the service whose track links are
// looked up by identifier, and a file player that plays each looked-up track
// whole, with its own controls. Failures are only logged.
class AllmusicViewController : public ViewController,
                               public WebViewDelegate,
                               public FilePlayerDelegate,
                               public NowPlayingCommandTarget
{
    Q_OBJECT

public:
    static constexpr qint64 kTrackInfoLimit = 64 * 1024;
    static constexpr qint64 kPictureLimit = 20 * 1024 * 1024;

    explicit AllmusicViewController(const PlatformServices &services, QWidget *parent = nullptr);
    ~AllmusicViewController() override;

    WebView *webView() const { return m_webView; }
    void setWebView(WebView *webView) { m_webView = webView; }
    std::optional<QString> nextSongID() const { return m_nextSongID; }
    void setNextSongID(const std::optional<QString> &id) { m_nextSongID = id; }
    FilePlayer *audioPlayer() const { return m_audioPlayer; }
    void setAudioPlayer(FilePlayer *player) { m_audioPlayer = player; }
    QTimer *playbackTimer() const { return m_playbackTimer; }
    void setPlaybackTimer(QTimer *timer) { m_playbackTimer = timer; }
    Slider *timeSlider() const { return m_timeSlider; }
    void setTimeSlider(Slider *slider) { m_timeSlider = slider; }
    RoundedButton *playPauseButton() const { return m_playPauseButton; }
    void setPlayPauseButton(RoundedButton *button) { m_playPauseButton = button; }
    RoundedButton *rewindButton() const { return m_rewindButton; }
    void setRewindButton(RoundedButton *button) { m_rewindButton = button; }
    RoundedButton *forwardButton() const { return m_forwardButton; }
    void setForwardButton(RoundedButton *button) { m_forwardButton = button; }
    RoundedButton *backButton() const { return m_backButton; }
    void setBackButton(RoundedButton *button) { m_backButton = button; }
    QLabel *songNameLabel() const { return m_songNameLabel; }
    void setSongNameLabel(QLabel *label) { m_songNameLabel = label; }
    QLabel *artistNameLabel() const { return m_artistNameLabel; }
    void setArtistNameLabel(QLabel *label) { m_artistNameLabel = label; }
    QWidget *overlayView() const { return m_overlayView; }
    void setOverlayView(QWidget *view) { m_overlayView = view; }
    ImageView *backgroundImageView() const { return m_backgroundImageView; }
    void setBackgroundImageView(ImageView *view) { m_backgroundImageView = view; }
    // Shown while a track downloads (not views of the design).
    ActivityIndicatorView *activityIndicator() const { return m_activityIndicator; }
    void setActivityIndicator(ActivityIndicatorView *indicator) { m_activityIndicator = indicator; }
    QProgressBar *downloadProgressBar() const { return m_downloadProgressBar; }
    // The time at the slider's ends and the volume.
    VolumeAndTimeControls *volumeAndTimeControls() const { return m_volumeAndTime; }
    void setDownloadProgressBar(QProgressBar *bar) { m_downloadProgressBar = bar; }

    // The track lookup.
    bool webViewShouldStartLoadWithRequest(WebView *webView, const QUrl &request,
                                           WebViewNavigationType navigationType) override;
    QHash<QString, QString> parseQueryString(const std::optional<QString> &query) const;
    void fetchDataFromServerWithID(const QString &songID);
    void loadIconFromURL(const QUrl &url);

    // The player. Creating it downloads the track without waiting; the
    // steps after the creation run once it is done.
    void createAudioPlayerWithURL(const QUrl &url);
    void audioPlayerDidFinishPlaying(FilePlayer *player, bool successfully) override;
    void playPauseButtonTapped();
    void rewindButtonTapped();
    void forwardButtonTapped();
    void backButtonTapped();
    void timeSliderValueChanged();
    void updateTimeSlider();
    void hideControls();
    void showControls();

    // What plays goes to the desktop too, and its commands are the
    // screen's own actions.
    void updateNowPlayingInfo();
    NowPlayingState nowPlayingState() const;
    void remotePlayPause() override { playPauseButtonTapped(); }
    void remoteNext() override { forwardButtonTapped(); }
    void remotePrevious() override { rewindButtonTapped(); }
    void remoteSeekTo(double seconds) override;

protected:
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

private:
    void setUpAudioSession();
    void createPlayerViews();
    void dropPlayer();
    // Cancels a track still downloading, and ends its indicator and bar.
    void endCreation();
    void didCreateAudioPlayer(FilePlayer *player, const QString &error);
    void publishNowPlayingState();
    void handleLookupResponse(quint64 request, const UrlResponse &response);
    QList<QWidget *> controlViews() const;

    PlatformServices m_services;
    QPointer<WebView> m_webView;
    std::optional<QString> m_nextSongID;
    QPointer<FilePlayer> m_audioPlayer;
    QPointer<QTimer> m_playbackTimer;
    QPointer<Slider> m_timeSlider;
    QPointer<RoundedButton> m_playPauseButton;
    QPointer<RoundedButton> m_rewindButton;
    QPointer<RoundedButton> m_forwardButton;
    QPointer<RoundedButton> m_backButton;
    QPointer<QLabel> m_songNameLabel;
    QPointer<QLabel> m_artistNameLabel;
    QPointer<QWidget> m_overlayView;
    QPointer<ImageView> m_backgroundImageView;
    QPointer<ActivityIndicatorView> m_activityIndicator;
    QPointer<QProgressBar> m_downloadProgressBar;
    QPointer<VolumeAndTimeControls> m_volumeAndTime;
    QPointer<FilePlayerCreation> m_creation;
    quint64 m_lookupSerial = 0;
    quint64 m_iconSerial = 0;
    bool m_lookupOutstanding = false;
    bool m_trackEnded = false;
    quint64 m_tracksStarted = 0;
};
