#pragma once

#include "platform/system/BundleInfo.h"

#include <QString>

#include <functional>

class AlertPresenter;
class AudioEngine;
class AudioSession;
class FilePlayerFactory;
class NowPlayingInfoCenter;
class PasswordStore;
class StreamingPlayerFactory;
class ProcessTerminator;
class QWidget;
class UrlLoader;
class UserDefaults;
class WebView;

// What the platform gives every screen. The application fills it with the
// Qt implementations; tests fill it with doubles. The screens do not own
// these services; they must outlive the screens.
struct PlatformServices
{
    BundleInfo bundle;
    UserDefaults *userDefaults = nullptr;
    AlertPresenter *alerts = nullptr;
    ProcessTerminator *processTerminator = nullptr;
    UrlLoader *urlLoader = nullptr;
    AudioSession *audioSession = nullptr;
    // The application's one volume and mute (none: the screens show full
    // volume and cannot change it).
    AudioEngine *audioEngine = nullptr;
    StreamingPlayerFactory *streamingPlayers = nullptr;
    FilePlayerFactory *filePlayers = nullptr;
    NowPlayingInfoCenter *nowPlaying = nullptr;
    PasswordStore *passwords = nullptr;
    // Where the application may keep files it can lose (XDG cache).
    QString cachesDirectory;
    // Creates a web view as a child of the given parent.
    std::function<WebView *(QWidget *parent)> makeWebView;
};
