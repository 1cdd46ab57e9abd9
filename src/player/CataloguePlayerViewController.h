#pragma once

#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ImageButton.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/PlatformServices.h"
#include "platform/ui/Slider.h"
#include "platform/media/StreamingPlayer.h"
#include "platform/media/StreamingPlayerItem.h"
#include "platform/net/UrlLoader.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/VolumeAndTimeControls.h"
#include "platform/nowplaying/NowPlayingCommandTarget.h"
#include "platform/nowplaying/NowPlayingState.h"

#include "player/FollowingTrack.h"

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>


// The player side of a catalogue screen: the full-screen player view with
// the track's picture, names, controls and its own navigation bar, and the
// state the player keeps. The web side (CatalogueViewController) derives
// from it and builds these views in its load step.

class CataloguePlayerViewController : public ViewController,
                                      public AlertViewDelegate,
                                      public NowPlayingCommandTarget
{
    Q_OBJECT

public:
    explicit CataloguePlayerViewController(const PlatformServices &services,
                                           QWidget *parent = nullptr);
    ~CataloguePlayerViewController() override;

    // Name of the user-default key of the stored site address.
    QString customURLKey() const { return m_customURLKey; }
    void setCustomURLKey(const QString &key) { m_customURLKey = key; }

    ImageView *backgroundImageView() const { return m_backgroundImageView; }
    void setBackgroundImageView(ImageView *view) { m_backgroundImageView = view; }
    Slider *timeSlider() const { return m_timeSlider; }
    void setTimeSlider(Slider *slider) { m_timeSlider = slider; }
    ImageButton *playPauseButton() const { return m_playPauseButton; }
    void setPlayPauseButton(ImageButton *button) { m_playPauseButton = button; }
    ImageButton *rewindButton() const { return m_rewindButton; }
    void setRewindButton(ImageButton *button) { m_rewindButton = button; }
    ImageButton *forwardButton() const { return m_forwardButton; }
    void setForwardButton(ImageButton *button) { m_forwardButton = button; }
    QLabel *songNameLabel() const { return m_songNameLabel; }
    void setSongNameLabel(QLabel *label) { m_songNameLabel = label; }
    QLabel *artistNameLabel() const { return m_artistNameLabel; }
    void setArtistNameLabel(QLabel *label) { m_artistNameLabel = label; }
    QWidget *overlayView() const { return m_overlayView; }
    void setOverlayView(QWidget *view) { m_overlayView = view; }
    NavigationBar *playerNavigationBar() const { return m_playerNavigationBar; }
    void setPlayerNavigationBar(NavigationBar *bar) { m_playerNavigationBar = bar; }
    ActivityIndicatorView *activityIndicator() const { return m_activityIndicator; }
    void setActivityIndicator(ActivityIndicatorView *indicator) { m_activityIndicator = indicator; }
    QWidget *playerView() const { return m_playerView; }
    void setPlayerView(QWidget *view) { m_playerView = view; }
    // The time at the slider's ends and the volume (not views of the
    // design).
    VolumeAndTimeControls *volumeAndTimeControls() const { return m_volumeAndTime; }

    std::optional<QString> nextSongID() const { return m_nextSongID; }
    void setNextSongID(const std::optional<QString> &id) { m_nextSongID = id; }
    std::optional<QString> currentSongID() const { return m_currentSongID; }
    void setCurrentSongID(const std::optional<QString> &id) { m_currentSongID = id; }

    bool radioMode() const { return m_radioMode; }
    void setRadioMode(bool on) { m_radioMode = on; }

    StreamingPlayer *player() const { return m_player; }
    void setPlayer(StreamingPlayer *player) { m_player = player; }
    // The token of the current player's one-second tick.
    std::optional<int> timeObserver() const { return m_timeObserver; }
    void setTimeObserver(const std::optional<int> &token) { m_timeObserver = token; }

    // The site address, resolved from the stored value the run started
    // with: an address stored since (a second start's, the settings
    // dialog's) takes effect at the next start.
    QString siteAddress() const;

    // Shows an alert with one button "ОК" and no delegate.
    void showAlertWithTitle(const QString &title, const QString &message);

    // Asks the catalogue site for a track (or a random track in radio mode)
    // and starts it when the reply is valid. Only the latest request counts.
    void fetchDataFromServerWithID(const std::optional<QString> &songID, bool isRadioMode);

    // Player operations called on a valid track-info reply.
    void loadIconFromURL(const QUrl &url);
    void createAudioPlayerWithURL(const QUrl &url);
    void createAndShowPlayerNavigationBarWithTitle(const QString &title);
    void playerBackButtonTapped();
    void playerInfoButtonTapped();
    void updateNowPlayingInfo();

    // Streaming playback.
    void playerItemFailedToPlay(const QString &error);
    void playerItemDidReachEnd();
    // Some seconds before the end: the following track is asked for now
    // (quietly, once), so that it plays on from the last sample of this
    // one; its reply is applied when this track ends, as if it came then.
    // Seeks and pauses keep it; a new track, "Назад" and a failure drop it.
    void playerItemWillReachEnd();
    void playPauseButtonTapped();
    void rewindButtonTapped();
    void forwardButtonTapped();
    void timeSliderValueChanged();
    void updateTimeSlider();

    // The desktop's commands (media keys, the shell's player widget) are
    // the screen's own actions.
    void remotePlayPause() override { playPauseButtonTapped(); }
    void remoteNext() override { forwardButtonTapped(); }
    void remotePrevious() override { rewindButtonTapped(); }
    void remoteSeekTo(double seconds) override;
    // How the playback stands for the desktop.
    NowPlayingState nowPlayingState() const;

    // The song information alert closes with its only button and changes
    // nothing; the web side adds the settings dialog.
    void alertViewClickedButtonAtIndex(AlertView *alertView, int buttonIndex) override;

    // The player's views: moves the background picture, the veil, the
    // controls and the player navigation bar into a new hidden player view
    // on top of the root view.
    void createPlayerView();
    void showControls();
    void hideControls();

    // Limits on what a server may send.
    static constexpr qint64 kTrackInfoLimit = 64 * 1024;
    static constexpr qint64 kPictureLimit = 20 * 1024 * 1024;

protected:
    const PlatformServices &services() const { return m_services; }

    // Makes every outstanding track-info reply, and the picture request,
    // stale: from now on no track request is out, and the activity
    // indicator is stopped unless a page is loading.
    void invalidateTrackRequests();
    // Whether the screen shows a page that is still loading (the web side
    // knows); the activity indicator turns for it too.
    virtual bool isLoadingPage() const { return false; }
    // Stops and drops the current player, if any.
    void dropPlayer();

    // Steps of the load step that build the player's views, each adding its
    // views on top of the root view.
    void setUpAudioSession();
    void createBackgroundImageView();
    void createOverlayView();
    void createPlayerControls();
    void createPlayerNavigationBar();
    // Gives the player's views the frames of PlayerLayout for the bounds
    // the root view has now.
    void layoutPlayerViews();

private:
    // The eight views that showControls and hideControls switch, in order.
    QList<QWidget *> controlViews() const;
    void handleTrackInfoResponse(quint64 request, const UrlResponse &response);
    // The steps of a track request before it is sent; returns its serial.
    quint64 beginTrackRequest(const std::optional<QString> &songID);
    QUrl trackInfoURL(const std::optional<QString> &songID, bool isRadioMode) const;
    // At the end of a track: the following one, from the reply asked for
    // ahead when it is the one wanted, else from a new request.
    void continueWithFollowingTrack(const std::optional<QString> &songID, bool isRadioMode);
    // Whether an event comes from the item of the current player.
    bool isCurrentItem(QObject *item) const;
    void setPlayPauseImage(const QString &name);
    // Tells the desktop how the playback stands now.
    void publishNowPlayingState();

    PlatformServices m_services;

    QString m_customURLKey;
    QPointer<ImageView> m_backgroundImageView;
    QPointer<Slider> m_timeSlider;
    QPointer<ImageButton> m_playPauseButton;
    QPointer<ImageButton> m_rewindButton;
    QPointer<ImageButton> m_forwardButton;
    QPointer<QLabel> m_songNameLabel;
    QPointer<QLabel> m_artistNameLabel;
    QPointer<QWidget> m_overlayView;
    QPointer<NavigationBar> m_playerNavigationBar;
    QPointer<ActivityIndicatorView> m_activityIndicator;
    QPointer<QWidget> m_playerView;
    std::optional<QString> m_nextSongID;
    std::optional<QString> m_currentSongID;
    bool m_radioMode = false;
    QPointer<StreamingPlayer> m_player;
    std::optional<int> m_timeObserver;
    quint64 m_trackRequestSerial = 0;
    // Whether the latest track request still waits for its reply.
    bool m_trackRequestOutstanding = false;
    // The current track played to its end and nothing follows it.
    bool m_trackEnded = false;
    // How many tracks the screen started; the now-playing record's track.
    quint64 m_tracksStarted = 0;
    quint64 m_iconRequestSerial = 0;
    FollowingTrack *m_following;
    QPointer<VolumeAndTimeControls> m_volumeAndTime;
};
