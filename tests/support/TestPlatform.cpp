#include "TestPlatform.h"

TestPlatform::TestPlatform()
    : userDefaults(std::make_unique<UserDefaults>(directory.filePath(QStringLiteral("defaults.conf"))))
{
    services.bundle = testBundle();
    services.userDefaults = userDefaults.get();
    services.alerts = &alerts;
    services.processTerminator = &terminator;
    services.urlLoader = &urlLoader;
    services.audioSession = &audioSession;
    services.audioEngine = &audioEngine;
    services.streamingPlayers = &streamingPlayers;
    services.filePlayers = &filePlayers;
    services.nowPlaying = &nowPlaying;
    passwords = std::make_unique<SettingsPasswordStore>(userDefaults.get());
    services.passwords = passwords.get();
    services.cachesDirectory = directory.filePath(QStringLiteral("caches"));
    services.makeWebView = [this](QWidget *parent) -> WebView * {
        auto *view = new FakeWebView(parent);
        webViews.append(view);
        return view;
    };
}

BundleInfo TestPlatform::testBundle()
{
    return BundleInfo{QStringLiteral("2.5.1"), QStringLiteral("https://service.test"),
                      QStringLiteral("https://catalogue.test/kavu")};
}
