#pragma once

#include "platform/system/BundleInfo.h"
#include "platform/PlatformServices.h"

#include <QString>

#include <memory>

class AppDelegate;
class AudioEngine;
class DesktopAudioSession;
class MediaFilePlayerFactory;
class MediaStreamingPlayerFactory;
class MprisNowPlayingCenter;
class DialogAlertPresenter;
class EventLoopProcessTerminator;
class KeyringPasswordStore;
class ListenBrainzService;
class NowPlayingFanOut;
class PreferencesWindow;
class MainWindow;
class QWebEngineProfile;
class SleepInhibitor;
class TrackNotifier;
class UrlLoader;
class UserDefaults;

// Runs the application: sets up the platform services with their Qt
// implementations, creates the delegate and the window with its screens, and
// runs the event loop.
class KavuApplication
{
public:
    // Everything that must happen before the QApplication exists.
    static void prepareProcess();

    // settingsName names the settings file and the web storage, so that the
    // demo runner keeps its own apart from the application's.
    KavuApplication(const BundleInfo &bundle, const QString &settingsName);
    ~KavuApplication();

    MainWindow *window() const { return m_window.get(); }
    MprisNowPlayingCenter *nowPlayingCenter() const { return m_nowPlaying.get(); }
    AudioEngine *audioEngine() const { return m_audioEngine.get(); }
    const PlatformServices &services() const { return m_services; }
    ListenBrainzService *listenBrainz() const { return m_listenBrainz.get(); }

    // Shows the Preferences window (made at the first call), in front.
    void showPreferences();
    PreferencesWindow *preferencesWindow() const { return m_preferences; }

    // Shows the window (with the size and place it had when the application
    // last ended, given it when it was made), tells the delegate, and runs
    // until the process ends.
    int exec();

    // Where the window's size and place, and the volume, are kept: beside
    // the settings, in a file of their own.
    static QString windowStatePath(const QString &settingsName);

private:
    void restoreWindowGeometry();
    void saveWindowGeometry();

    QString m_windowStatePath;
    std::unique_ptr<UserDefaults> m_userDefaults;
    std::unique_ptr<DialogAlertPresenter> m_alerts;
    std::unique_ptr<EventLoopProcessTerminator> m_terminator;
    std::unique_ptr<UrlLoader> m_urlLoader;
    std::unique_ptr<AudioEngine> m_audioEngine;
    std::unique_ptr<DesktopAudioSession> m_audioSession;
    std::unique_ptr<MediaStreamingPlayerFactory> m_streamingPlayers;
    std::unique_ptr<MediaFilePlayerFactory> m_filePlayers;
    std::unique_ptr<MprisNowPlayingCenter> m_nowPlaying;
    std::unique_ptr<KeyringPasswordStore> m_passwords;
    std::unique_ptr<KeyringPasswordStore> m_listenBrainzTokens;
    std::unique_ptr<ListenBrainzService> m_listenBrainz;
    std::unique_ptr<NowPlayingFanOut> m_nowPlayingFanOut;
    std::unique_ptr<SleepInhibitor> m_sleepInhibitor;
    std::unique_ptr<TrackNotifier> m_trackNotifier;
    QWebEngineProfile *m_profile = nullptr;
    PlatformServices m_services;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<MainWindow> m_window;
    PreferencesWindow *m_preferences = nullptr;
};
