#include "app/KavuApplication.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PreferencesWindow.h"
#include "listens/ListenBrainzService.h"
#include "platform/media/AudioEngine.h"
#include "platform/media/DesktopAudioSession.h"
#include "platform/ui/DialogAlertPresenter.h"
#include "platform/system/EventLoopProcessTerminator.h"
#include "platform/web/KavuSchemeHandler.h"
#include "platform/media/MediaFilePlayerFactory.h"
#include "platform/media/MediaStreamingPlayerFactory.h"
#include "platform/nowplaying/MprisNowPlayingCenter.h"
#include "platform/nowplaying/NowPlayingCommandTarget.h"
#include "platform/net/UrlLoader.h"
#include "platform/nowplaying/NowPlayingFanOut.h"
#include "platform/nowplaying/TrackNotifier.h"
#include "platform/system/KeyringPasswordStore.h"
#include "platform/system/SleepInhibitor.h"
#include "platform/system/UserDefaults.h"
#include "platform/web/WebEngineWebView.h"
#include "protocol/SiteAddress.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QIcon>
#include <QNetworkProxyFactory>
#include <QSettings>
#include <QStandardPaths>
#include <QWebEngineProfile>

#include <cmath>
#include <malloc.h>
#include <unistd.h>

void KavuApplication::prepareProcess()
{
    // Playback pipelines live on threads of their own (PlaybackPipeline),
    // and GStreamer streams on more. Each new thread would take an allocator
    // arena of its own, and what is freed in those arenas is not handed
    // back to the system: resident memory grew by tens of MiB over a few
    // thousand tracks. One arena for the process keeps it flat.
    mallopt(M_ARENA_MAX, 1);
    // The web engine refuses to start its sandbox as root; only then is it
    // turned off.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The pages of all tabs come from one site; one renderer process for
    // them all, rather than one each, saves tens of MiB.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--process-per-site"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --process-per-site").trimmed());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Pages are drawn in software into the window's own backing store. A
    // view drawn by OpenGL would switch the whole window to composition
    // through OpenGL for as long as it lives, and every repaint of a
    // playing track's time (once a second) would then compose the window
    // anew: in software where no GPU driver serves (llvmpipe), the largest
    // cost of a track playing in a window. The catalogue's pages are
    // simple; the engine composes them in software as well.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    // Requests, pages and streams go through the system's proxy settings
    // (http_proxy, https_proxy, no_proxy here): the web engine follows Qt's
    // settings, and the tracks download through Kavu's own requests.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    KavuSchemeHandler::registerScheme();
    QCoreApplication::setApplicationName(QStringLiteral("kavu"));
    QCoreApplication::setApplicationVersion(BundleInfo::builtIn().shortVersionString);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Kavu"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kavu.Kavu"));
}

KavuApplication::KavuApplication(const BundleInfo &bundle, const QString &settingsName)
    : m_userDefaults(std::make_unique<UserDefaults>(UserDefaults::defaultFilePath(settingsName)))
    , m_terminator(std::make_unique<EventLoopProcessTerminator>())
    , m_urlLoader(std::make_unique<UrlLoader>())
    , m_audioEngine(std::make_unique<AudioEngine>())
    , m_audioSession(std::make_unique<DesktopAudioSession>(m_audioEngine.get()))
{
    m_alerts = std::make_unique<DialogAlertPresenter>([this] {
        return static_cast<QWidget *>(m_window.get());
    });
    m_profile = new QWebEngineProfile(settingsName, qApp);
    KavuSchemeHandler::install(m_profile);
    WebEngineWebView::confineProfile(m_profile);

    m_services.bundle = bundle;
    m_services.userDefaults = m_userDefaults.get();
    m_services.alerts = m_alerts.get();
    m_services.processTerminator = m_terminator.get();
    m_services.urlLoader = m_urlLoader.get();
    m_services.audioSession = m_audioSession.get();
    m_services.audioEngine = m_audioEngine.get();
    m_services.cachesDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/kavu");
    // Tracks download into the caches directory, each into a file of its
    // own that goes with it.
    m_streamingPlayers = std::make_unique<MediaStreamingPlayerFactory>(m_audioEngine.get(), m_urlLoader.get(),
                                                                       m_services.cachesDirectory);
    m_services.streamingPlayers = m_streamingPlayers.get();
    m_filePlayers = std::make_unique<MediaFilePlayerFactory>(m_audioEngine.get(), m_urlLoader->networkAccessManager(),
                                                             m_services.cachesDirectory);
    m_services.filePlayers = m_filePlayers.get();
    m_nowPlaying = std::make_unique<MprisNowPlayingCenter>(
        QDBusConnection::sessionBus(), QGuiApplication::desktopFileName(), m_services.cachesDirectory);
    // The password goes into the desktop keyring under the application's id
    // (with the settings' name for the demo runner's own settings); one
    // still in the settings file moves there.
    QString passwordService = QGuiApplication::desktopFileName();
    if (settingsName != QLatin1String("kavu"))
        passwordService += QLatin1Char('/') + settingsName;
    m_passwords = std::make_unique<KeyringPasswordStore>(passwordService, m_userDefaults.get());
    if (const std::optional<QString> login = m_userDefaults->stringForKey(QStringLiteral("login")))
        m_passwords->adoptFilePassword(*login);
    m_services.passwords = m_passwords.get();
    // Listens for ListenBrainz: the token in the keyring beside the
    // password (a service name and a settings key of its own), the queue in
    // the user's data folder. The screens' records reach the desktop and
    // the listens alike.
    m_listenBrainzTokens = std::make_unique<KeyringPasswordStore>(
        passwordService + QStringLiteral("/listenbrainz"), m_userDefaults.get(), QStringLiteral("listenBrainzToken"));
    m_listenBrainz = std::make_unique<ListenBrainzService>(
        m_urlLoader.get(), m_userDefaults.get(), m_listenBrainzTokens.get(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kavu/") + settingsName
            + QStringLiteral("-listens.json"),
        bundle.shortVersionString, QUrl(bundle.listenBrainzApiAddress));
    m_nowPlayingFanOut = std::make_unique<NowPlayingFanOut>();
    m_nowPlayingFanOut->add(m_nowPlaying.get());
    m_nowPlayingFanOut->add(m_listenBrainz->tracker());
    m_services.nowPlaying = m_nowPlayingFanOut.get();
    // The pages shown are those of the sites Kavu talks to: the catalogue
    // site as the run started (read when the first page is made, as the
    // screens read it), its base address and the service host.
    QWebEngineProfile *profile = m_profile;
    UserDefaults *defaults = m_userDefaults.get();
    m_services.makeWebView = [profile, defaults, bundle](QWidget *parent) -> WebView * {
        const std::optional<QString> stored = defaults->stringForKeyAsStarted(QStringLiteral("customURL"));
        const SitePolicy sites({QUrl(SiteAddress::resolve(stored, bundle.defaultSiteAddress)),
                                QUrl(SiteAddress::base(stored, bundle.defaultSiteAddress)),
                                QUrl(bundle.serviceHostOrigin)});
        return new WebEngineWebView(profile, sites, parent);
    };

    // The icon is compiled into the library; its resources are linked in
    // only when asked for by name.
    Q_INIT_RESOURCE(kavu);
    QApplication::setWindowIcon(
        QIcon::fromTheme(QGuiApplication::desktopFileName(),
                         QIcon(QStringLiteral(":/icons/org.kavu.Kavu.svg"))));

    // The window's size and place are kept in a file of their own, apart
    // from the application's settings.
    m_windowStatePath = windowStatePath(settingsName);

    m_delegate = std::make_unique<AppDelegate>();
    m_window = std::make_unique<MainWindow>(m_services);
    QObject::connect(m_window.get(), &MainWindow::quitRequested, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(m_window.get(), &MainWindow::preferencesRequested, qApp, [this] { showPreferences(); });
    // The desktop's Raise shows the screen that plays; its Quit quits.
    m_nowPlaying->setRaiseHandler([window = m_window.get()](NowPlayingCommandTarget *owner) {
        window->bringToFront(dynamic_cast<QWidget *>(owner));
    });
    m_nowPlaying->setQuitHandler([] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });
    // The desktop reads and sets the application's one volume.
    AudioEngine *engine = m_audioEngine.get();
    m_nowPlaying->setVolumeControl([engine] { return engine->volume(); },
                                   [engine](double volume) { engine->setVolume(volume); });
    QObject::connect(engine, &AudioEngine::volumeChanged, m_nowPlaying.get(), &MprisNowPlayingCenter::volumeChanged);
    // While music plays the machine does not suspend; a new track is told
    // when the window is not in front.
    m_sleepInhibitor = std::make_unique<SleepInhibitor>(QDBusConnection::sessionBus());
    m_trackNotifier = std::make_unique<TrackNotifier>(
        QDBusConnection::sessionBus(), QGuiApplication::desktopFileName(),
        [window = m_window.get()] { return window->isActiveWindow(); });
    QObject::connect(m_nowPlaying.get(), &MprisNowPlayingCenter::published, m_sleepInhibitor.get(),
                     [inhibitor = m_sleepInhibitor.get()](const QVariantMap &properties) {
                         inhibitor->setPlaying(properties.value(QStringLiteral("PlaybackStatus"))
                                               == QLatin1String("Playing"));
                     });
    QObject::connect(m_nowPlaying.get(), &MprisNowPlayingCenter::published, m_trackNotifier.get(),
                     &TrackNotifier::published);
    restoreWindowGeometry();
    m_delegate->setWindow(m_window.get());

    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, m_delegate.get(),
                     [delegate = m_delegate.get()](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) {
                             delegate->applicationWillEnterForeground();
                             delegate->applicationDidBecomeActive();
                         } else {
                             delegate->applicationWillResignActive();
                             delegate->applicationDidEnterBackground();
                         }
                     });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, m_delegate.get(),
                     [delegate = m_delegate.get()] { delegate->applicationWillTerminate(); });
}

void KavuApplication::showPreferences()
{
    if (!m_preferences) {
        m_preferences = new PreferencesWindow(m_listenBrainz.get(), m_window.get());
        // A window of its own beside the main one, not over its screens.
        m_preferences->setWindowFlag(Qt::Window);
    }
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

KavuApplication::~KavuApplication()
{
    saveWindowGeometry();
    // Screens and their web views go before the profile they use, and
    // before the services they were given.
    m_window.reset();
    delete m_profile;
}

QString KavuApplication::windowStatePath(const QString &settingsName)
{
    return UserDefaults::defaultFilePath(settingsName + QStringLiteral("-window"));
}

void KavuApplication::restoreWindowGeometry()
{
    const QSettings state(m_windowStatePath, QSettings::IniFormat);
    m_window->restoreGeometry(state.value(QStringLiteral("geometry")).toByteArray());
    // The volume as it was left (a value that is no number is no volume).
    bool number = false;
    const double volume = state.value(QStringLiteral("volume")).toDouble(&number);
    if (number && std::isfinite(volume))
        m_audioEngine->setVolume(volume);
    m_audioEngine->setMuted(state.value(QStringLiteral("muted")).toBool());
}

void KavuApplication::saveWindowGeometry()
{
    if (!m_window || m_windowStatePath.isEmpty())
        return;
    QSettings state(m_windowStatePath, QSettings::IniFormat);
    // A file that could not be read or parsed is left for its owner (read
    // first: the status is known only once the file was read).
    state.allKeys();
    if (state.status() != QSettings::NoError)
        return;
    state.setValue(QStringLiteral("geometry"), m_window->saveGeometry());
    state.setValue(QStringLiteral("volume"), m_audioEngine->volume());
    state.setValue(QStringLiteral("muted"), m_audioEngine->isMuted());
}

int KavuApplication::exec()
{
    m_window->show();
    m_delegate->applicationDidFinishLaunchingWithOptions({});
    return QApplication::exec();
}
