#pragma once

#include "FakeAudioSession.h"
#include "FakeFilePlayer.h"
#include "FakeStreamingPlayer.h"
#include "FakeWebView.h"
#include "RecordingNowPlayingCenter.h"
#include "RecordingAlertPresenter.h"
#include "RecordingProcessTerminator.h"
#include "platform/PlatformServices.h"
#include "platform/media/AudioEngine.h"
#include "platform/net/UrlLoader.h"
#include "platform/system/SettingsPasswordStore.h"
#include "platform/system/UserDefaults.h"

#include <QList>
#include <QPointer>
#include <QTemporaryDir>

#include <memory>

// Platform services made of doubles: fake web views, recorded alerts and
// process ends, and real user defaults in a temporary directory.
class TestPlatform
{
public:
    TestPlatform();

    PlatformServices services;
    QTemporaryDir directory;
    std::unique_ptr<UserDefaults> userDefaults;
    RecordingAlertPresenter alerts;
    RecordingProcessTerminator terminator;
    UrlLoader urlLoader;
    FakeAudioSession audioSession;
    // Real: it makes no pipeline unless asked for one.
    AudioEngine audioEngine;
    FakeStreamingPlayerFactory streamingPlayers;
    FakeFilePlayerFactory filePlayers;
    RecordingNowPlayingCenter nowPlaying;
    std::unique_ptr<SettingsPasswordStore> passwords;
    QList<QPointer<FakeWebView>> webViews;

    FakeWebView *lastWebView() const { return webViews.isEmpty() ? nullptr : webViews.last().data(); }

    static BundleInfo testBundle();
};
