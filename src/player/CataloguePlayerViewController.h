#pragma once

#include "platform/ActivityIndicatorView.h"
#include "platform/ImageButton.h"
#include "platform/ImageView.h"
#include "platform/NavigationBar.h"
#include "platform/PlatformServices.h"
#include "platform/Slider.h"
#include "platform/ViewController.h"

#include <QLabel>
#include <QPointer>
#include <QString>

#include <optional>


// The player side of a catalogue screen: the full-screen player view with
// the track's picture, names, controls and its own navigation bar, and the
// state the player keeps. The web side (CatalogueViewController) derives
// from it and builds these views in its load step.
class CataloguePlayerViewController : public ViewController
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

    std::optional<QString> nextSongID() const { return m_nextSongID; }
    void setNextSongID(const std::optional<QString> &id) { m_nextSongID = id; }
    std::optional<QString> currentSongID() const { return m_currentSongID; }
    void setCurrentSongID(const std::optional<QString> &id) { m_currentSongID = id; }

    bool radioMode() const { return m_radioMode; }
    void setRadioMode(bool on) { m_radioMode = on; }

    // Shows an alert with one button "ОК" and no delegate.
    void showAlertWithTitle(const QString &title, const QString &message);

    // The player's views: moves the background picture, the veil, the
    // controls and the player navigation bar into a new hidden player view
    // on top of the root view.
    void createPlayerView();
    void showControls();
    void hideControls();

protected:
    const PlatformServices &services() const { return m_services; }

    // Steps of the load step that build the player's views, each adding its
    // views on top of the root view.
    void setUpAudioSession();
    void createBackgroundImageView();
    void createOverlayView();
    void createPlayerControls();
    void createPlayerNavigationBar();

private:
    // The eight views that showControls and hideControls switch, in order.
    QList<QWidget *> controlViews() const;

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
};
