#include "BarePlaybin.h"
#include "BenchOutput.h"
#include "BenchChild.h"
#include "CommandBench.h"
#include "PlayingCpu.h"
#include "BenchChart.h"
#include "EventWait.h"
#include "SinkBench.h"
#include "SoundServer.h"
#include "ProcessTree.h"
#include "StallMonitor.h"
#include "Stats.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "platform/media/AudioEngine.h"
#include "platform/media/FilePlayer.h"
#include "platform/media/FilePlayerCreation.h"
#include "platform/media/MediaFilePlayerFactory.h"
#include "platform/media/MediaStreamingPlayerFactory.h"
#include "platform/ui/NavigationBar.h"
#include "ProcessMemory.h"
#include "platform/media/StreamingPlayer.h"
#include "platform/media/StreamingPlayerItem.h"
#include "platform/net/UrlLoader.h"
#include "platform/system/UserDefaults.h"
#include "platform/web/WebEngineWebView.h"
#include "platform/web/WebView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>

#include <functional>
#include <malloc.h>
#include <memory>

// Measures Kavu on its demo service, each figure beside the floor measured
// in the same run: what the listener hears at a sound server of the run's
// own (SinkBench) against a bare GStreamer playbin, streaming start against
// track size and against the file player, launch to the first page, idle
// cost, and memory of the application and its web engine.
using BenchOutput::out;
using BenchOutput::verdict;

namespace {

double msSince(const QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e6;
}

using EventWait::settle;
using EventWait::waitFor;

bool musicPageLoaded(SecondViewController *music)
{
    return music->webView() && music->loadingOverlay() && music->loadingOverlay()->isHidden()
        && music->navigationBar() && music->navigationBar()->rightButton();
}

// The PSS of this process and its descendants, and a line of the parts;
// each part also goes to the parent as "@memory STATE KIB NAME".
qint64 pssOfTreeKiB(const QString &state, QString *parts)
{
    qint64 total = 0;
    for (qint64 pid : ProcessTree::withDescendants()) {
        const qint64 pss = qMax<qint64>(0, ProcessMemory::proportionalKiB(pid));
        total += pss;
        *parts += QStringLiteral(" %1 MiB (%2)").arg(pss / 1024).arg(ProcessTree::name(pid));
        out() << "@memory " << state << ' ' << pss << ' ' << ProcessTree::name(pid) << '\n';
    }
    return total;
}

constexpr int kTabsTargetMiB = 190;
constexpr int kFirstTapRoundTripMs = 50;
constexpr int kPlayingTargetMiB = 215;

// The demo service makes each track's audio and cover on first request,
// as a real server would not; that is no part of any figure.
void prepareTracks(const DemoService &demo)
{
    QNetworkAccessManager network;
    for (int trackId = 1; trackId <= 8; ++trackId) {
        for (const QString &path : {QStringLiteral("/media/track-%1.wav"), QStringLiteral("/media/cover-%1.png")}) {
            std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(demo.origin() + path.arg(trackId)))));
            waitFor([&] { return reply->isFinished(); }, 10000);
        }
    }
}

// Receives the Player interface's PropertiesChanged as a desktop client does.
class StatusWatch : public QObject
{
    Q_OBJECT

public:
    QString status;
    int changes = 0;

public Q_SLOTS:
    void propertiesChanged(const QString &, const QVariantMap &changed, const QStringList &)
    {
        if (changed.contains(QStringLiteral("PlaybackStatus"))) {
            status = changed.value(QStringLiteral("PlaybackStatus")).toString();
            ++changes;
        }
    }
};

// From a desktop client's PlayPause to the PlaybackStatus it is then told,
// on a session bus of the benchmark's own.
void measureMprisLatency(SecondViewController *music, const QString &busAddress, int toggles)
{
    QDBusConnection client = QDBusConnection::connectToBus(busAddress, QStringLiteral("kavu-bench-client"));
    StatusWatch watch;
    client.connect(QStringLiteral("org.mpris.MediaPlayer2.kavu"), QStringLiteral("/org/mpris/MediaPlayer2"),
                   QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"), &watch,
                   SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    SinkBench::tap(music, 1);
    waitFor([&] { return music->player() && music->player()->currentTime() > 0; }, 10000);
    settle(300);
    QList<double> latencies;
    for (int i = 0; i < toggles; ++i) {
        const int before = watch.changes;
        QElapsedTimer clock;
        clock.start();
        client.asyncCall(QDBusMessage::createMethodCall(
            QStringLiteral("org.mpris.MediaPlayer2.kavu"), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("PlayPause")));
        if (waitFor([&] { return watch.changes > before; }, 5000))
            latencies.append(msSince(clock));
        settle(100);
    }
    music->playerBackButtonTapped();
    QDBusConnection::disconnectFromBus(QStringLiteral("kavu-bench-client"));
    const Stats stats = Stats::of(latencies);
    out() << "MPRIS PlayPause to the PlaybackStatus told\n"
          << "  " << stats.describe(QStringLiteral("ms")) << " [target: median <= 50 ms "
          << verdict(stats.count > 0 && stats.median <= 50) << "]" << Qt::endl;
}

// From a desktop client setting MPRIS Volume to the sound server showing
// Kavu's stream at that volume.
void measureMprisVolume(SecondViewController *music, const QString &busAddress, const SoundServer &sound,
                        int settings)
{
    QDBusConnection client = QDBusConnection::connectToBus(busAddress, QStringLiteral("kavu-bench-volume"));
    SinkBench::tap(music, 2);
    waitFor([&] { return music->player() && music->player()->currentTime() > 0.3; }, 10000);
    const auto kavuVolume = [&sound] {
        for (const SoundServer::Stream &stream : sound.streams()) {
            if (stream.properties.value(QStringLiteral("application.name")) == QLatin1String("Kavu"))
                return stream.volumePercent;
        }
        return -1;
    };
    QList<double> latencies;
    for (int i = 0; i < settings; ++i) {
        const double target = i % 2 ? 0.6 : 0.3;
        QDBusMessage set = QDBusMessage::createMethodCall(
            QStringLiteral("org.mpris.MediaPlayer2.kavu"), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
        set << QStringLiteral("org.mpris.MediaPlayer2.Player") << QStringLiteral("Volume")
            << QVariant::fromValue(QDBusVariant(target));
        QElapsedTimer clock;
        clock.start();
        client.asyncCall(set);
        if (waitFor([&] { return kavuVolume() == qRound(target * 100); }, 5000))
            latencies.append(msSince(clock));
        settle(100);
    }
    music->playerBackButtonTapped();
    QDBusConnection::disconnectFromBus(QStringLiteral("kavu-bench-volume"));
    const Stats stats = Stats::of(latencies);
    out() << "MPRIS Volume set to the sound server's stream at that volume\n"
          << "  " << stats.describe(QStringLiteral("ms")) << " [target: median <= 50 ms "
          << verdict(stats.count > 0 && stats.median <= 50) << "]" << Qt::endl;
}

// Streaming start for a small and a large track on a 2 MB/s link, and the
// file player's creation for the large one.
void measureTrackSizes(DemoService &demo, int runs, int fileRuns)
{
    const qint64 small = 1000 * 1000;
    const qint64 large = 100 * 1000 * 1000;
    QNetworkAccessManager network;
    // The demo service makes each sized track once; that is no part of any
    // figure.
    for (qint64 size : {small, large}) {
        std::unique_ptr<QNetworkReply> head(network.head(QNetworkRequest(QUrl(demo.sizedTrackUrl(size)))));
        waitFor([&] { return head->isFinished(); }, 60000);
    }
    demo.setThrottle(2 * 1000 * 1000);

    AudioEngine engine;
    UrlLoader loader;
    QTemporaryDir tracks;
    MediaStreamingPlayerFactory factory(&engine, &loader, tracks.path());
    QMap<qint64, Stats> streaming;
    for (qint64 size : {small, large}) {
        QList<double> samples;
        for (int run = 0; run < runs; ++run) {
            StreamingPlayerItem *item = factory.playerItemWithURL(QUrl(demo.sizedTrackUrl(size)));
            std::unique_ptr<StreamingPlayer> player(factory.playerWithPlayerItem(item));
            QElapsedTimer clock;
            clock.start();
            player->play();
            if (waitFor([&] { return player->currentTime() > 0; }, 30000))
                samples.append(msSince(clock));
            player->pause();
            player.reset();
            settle(200);
        }
        streaming.insert(size, Stats::of(samples));
    }

    // The file player downloads into a file, without waiting: the GUI
    // thread's longest stall and the resident memory's growth from the start
    // of the download to playback, each run on its own.
    QTemporaryDir folder;
    MediaFilePlayerFactory files(&engine, &network, folder.path());
    QList<double> creation;
    double longestStall = 0;
    qint64 largestGrowthKiB = 0;
    for (int run = 0; run < fileRuns; ++run) {
        malloc_trim(0);
        const qint64 before = ProcessMemory::residentKiB();
        StallMonitor stalls;
        stalls.start();
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<FilePlayerCreation> making(files.createWithContentsOfURL(QUrl(demo.sizedTrackUrl(large))));
        std::unique_ptr<FilePlayer> player;
        QString error;
        bool done = false;
        QObject::connect(making.get(), &FilePlayerCreation::finished, [&](FilePlayer *made, const QString &why) {
            player.reset(made);
            error = why;
            done = true;
        });
        waitFor([&] { return done; }, 300000);
        if (player) {
            creation.append(msSince(clock));
            player->play();
            waitFor([&] { return player->currentTime() > 0; }, 10000);
            largestGrowthKiB = qMax(largestGrowthKiB, ProcessMemory::residentKiB() - before);
        } else {
            out() << "  file player: " << error << Qt::endl;
        }
        stalls.stop();
        longestStall = qMax(longestStall, stalls.longestStallMs());
        player.reset();
        settle(200);
    }
    demo.setThrottle(0);
    const Stats file = Stats::of(creation);

    const double sizeRatio = streaming[small].median > 0 ? streaming[large].median / streaming[small].median : 0;
    const double fileRatio = streaming[large].median > 0 ? file.median / streaming[large].median : 0;
    out() << "Streaming start on a 2 MB/s link\n"
          << "  1 MB track, time to audio:       " << streaming[small].describe(QStringLiteral("ms")) << "\n"
          << "  100 MB track, time to audio:     " << streaming[large].describe(QStringLiteral("ms")) << "\n"
          << "  100 MB track, file player ready: " << file.describe(QStringLiteral("ms")) << "\n"
          << "  100 MB / 1 MB: " << QString::number(sizeRatio, 'f', 2) << " [target <= 1.5 "
          << verdict(sizeRatio <= 1.5) << "]\n"
          << "  file player / streaming (100 MB): " << QString::number(fileRatio, 'f', 0) << "x [target >= 50x "
          << verdict(fileRatio >= 50) << "]\n"
          << "  100 MB file player download, longest GUI-thread stall: " << QString::number(longestStall, 'f', 1)
          << " ms [target <= 50 ms " << verdict(longestStall <= 50) << "]\n"
          << "  100 MB file player, resident growth from download to playback: " << largestGrowthKiB / 1024
          << " MiB [target <= 10 MiB " << verdict(largestGrowthKiB <= 10 * 1024) << "]" << Qt::endl;
}

// A child process of this executable that starts Kavu afresh and says
// "loaded" when the Music start page has finished loading.
int childLaunch()
{
    DemoService demo;
    if (!demo.start())
        return 1;
    KavuApplication kavu(demo.bundle(), QStringLiteral("kavu-bench"));
    kavu.window()->show();
    SecondViewController *music = kavu.window()->musicScreen();
    // The page exists once the screen has its first size; its load
    // takes far longer than the millisecond between two looks.
    waitFor([music] { return qobject_cast<WebEngineWebView *>(music->webView()) != nullptr; }, 30000);
    auto *view = qobject_cast<WebEngineWebView *>(music->webView());
    bool loaded = false;
    bool failed = view == nullptr;
    if (view)
        QObject::connect(view->page(), &QWebEnginePage::loadFinished, [&](bool ok) {
            loaded = ok;
            failed = !ok;
        });
    waitFor([&] { return loaded || failed; }, 30000);
    out() << (loaded ? "loaded" : "failed") << Qt::endl;
    if (!loaded)
        return 1;

    // The first tap after the start, with the service kFirstTapRoundTripMs
    // away, beside a bare playbin that has loaded GStreamer, heard at the
    // sound server with the service at hand (the floor at R = 0): Kavu may
    // take a round trip each for the information and the audio more.
    waitFor([music] { return musicPageLoaded(music); }, 30000);
    prepareTracks(demo);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return 0;
    SoundServer sound;
    sound.attach(qEnvironmentVariable("PULSE_SERVER"));
    sound.startRecording();
    qint64 floorStart = 0;
    {
        BarePlaybin bare(demo.origin() + QStringLiteral("/media/track-2.wav"));
        waitFor([&] { return bare.positionSeconds() > 0.3 || bare.isFinished(); }, 10000);
        floorStart = bare.startedNs();
    }
    demo.setRoundTripMs(kFirstTapRoundTripMs);
    settle(300 + 3 * kFirstTapRoundTripMs);
    const qint64 tapped = SoundServer::nowNs();
    SinkBench::tap(music, 1);
    waitFor([&] { return music->player() && music->player()->currentTime() > 0.3; }, 10000);
    const SoundRecording heard = sound.stopRecording();
    const double app = heard.msToFirstSoundAfter(tapped);
    const double floor = heard.msToFirstSoundAfter(floorStart);
    if (app >= 0 && floor >= 0)
        out() << "@firsttap " << app << ' ' << floor << Qt::endl;
    music->playerBackButtonTapped();
    settle(200);
    return 0;
}

void measureLaunch(int launches, QList<BenchChart::Series> *firstTaps)
{
    QList<double> samples;
    QList<double> firstApp;
    QList<double> firstFloor;
    for (int i = 0; i < launches; ++i) {
        // Cold: no settings, caches or web storage from earlier runs.
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        double loadedMs = -1;
        QElapsedTimer clock;
        QObject::connect(&child, &QProcess::readyReadStandardOutput, [&] {
            while (child.canReadLine()) {
                const QByteArray line = child.readLine().trimmed();
                if (line == "loaded" && loadedMs < 0)
                    loadedMs = msSince(clock);
                const QList<QByteArray> fields = line.split(' ');
                if (fields.size() == 3 && fields.at(0) == "@firsttap") {
                    firstApp.append(fields.at(1).toDouble());
                    firstFloor.append(fields.at(2).toDouble());
                }
            }
        });
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("launch")});
        waitFor([&] { return loadedMs >= 0 || child.state() == QProcess::NotRunning; }, 60000);
        if (!waitFor([&] { return child.state() == QProcess::NotRunning; }, 30000))
            child.kill();
        child.waitForFinished(5000);
        if (loadedMs >= 0)
            samples.append(loadedMs);
        settle(500);
    }
    const Stats stats = Stats::of(samples);
    out() << "Launch to the Music start page (cold)\n"
          << "  " << stats.describe(QStringLiteral("ms")) << " [target: median <= 1000 ms "
          << verdict(stats.count > 0 && stats.median <= 1000) << "]" << Qt::endl;
    const Stats app = Stats::of(firstApp);
    const Stats floor = Stats::of(firstFloor);
    const double extra = app.median - floor.median;
    out() << "First tap after the start, R = " << kFirstTapRoundTripMs << " ms\n"
          << "  Kavu:  " << app.describe(QStringLiteral("ms")) << "\n"
          << "  floor: " << floor.describe(QStringLiteral("ms")) << " (bare playbin at R = 0, heard at the sound server)\n"
          << "  Kavu - floor: " << QString::number(extra, 'f', 1) << " ms [target: <= floor at R = 0 + 2 R + 25 ms "
          << verdict(app.count > 0 && extra <= 2 * kFirstTapRoundTripMs + 25) << "]" << Qt::endl;
    const QString r = QStringLiteral(", first tap, R = %1 ms").arg(kFirstTapRoundTripMs);
    *firstTaps = {{QStringLiteral("Kavu") + r, firstApp}, {QStringLiteral("floor") + r, firstFloor}};
}

// Counts the timer events the main thread handles, by who owns the timer.
class TimerCounter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer) {
            QObject *owner = watched->parent() ? watched->parent() : watched;
            const QString name = QString::fromLatin1(watched->metaObject()->className()) + QLatin1String(" in ")
                + QString::fromLatin1(owner->metaObject()->className());
            ++byOwner[name];
            ++total;
            // Our classes carry no Qt prefix.
            if (!QByteArray(owner->metaObject()->className()).startsWith('Q'))
                ++ours;
        }
        return false;
    }

    QMap<QString, int> byOwner;
    int total = 0;
    int ours = 0;
};

// A child process that only serves the demo service, so that the figures
// of another process hold Kavu alone, as its users have it; it says
// "@origin ADDRESS" once it serves, and serves until it is ended.
int childServe()
{
    DemoService demo;
    if (!demo.start())
        return 1;
    out() << "@origin " << demo.origin() << Qt::endl;
    return QCoreApplication::exec();
}

// A child process that loads every tab from the demo service at origin,
// then measures memory, idle cost, and memory again with a track playing.
int childIdle(int idleSeconds, const QString &origin)
{
    KavuApplication kavu(DemoService::bundleFor(origin), QStringLiteral("kavu-bench"));
    kavu.window()->show();
    MainWindow *window = kavu.window();
    SecondViewController *music = window->musicScreen();
    waitFor([music] { return musicPageLoaded(music); }, 30000);
    for (int i = 1; i < window->tabs()->count(); ++i) {
        window->tabs()->setCurrentIndex(i);
        settle(3000);
    }
    window->tabs()->setCurrentIndex(0);
    settle(5000);
    QString tabsParts;
    const qint64 pssTabs = pssOfTreeKiB(QStringLiteral("tabs"), &tabsParts);
    const int processes = int(ProcessTree::withDescendants().size());

    const QList<qint64> tree = ProcessTree::withDescendants();
    const qint64 appPid = tree.first();
    const qint64 appCpu = ProcessTree::cpuMs(appPid);
    qint64 engineCpu = 0;
    for (qsizetype i = 1; i < tree.size(); ++i)
        engineCpu += qMax<qint64>(0, ProcessTree::cpuMs(tree.at(i)));
    const qint64 switches = ProcessTree::contextSwitches(appPid);
    TimerCounter counter;
    qApp->installEventFilter(&counter);
    settle(idleSeconds * 1000);
    qApp->removeEventFilter(&counter);
    const double seconds = idleSeconds;
    const double appCpuShare = (ProcessTree::cpuMs(appPid) - appCpu) / (seconds * 10.0);
    qint64 engineCpuAfter = 0;
    for (qsizetype i = 1; i < tree.size(); ++i)
        engineCpuAfter += qMax<qint64>(0, ProcessTree::cpuMs(tree.at(i)));
    const double engineCpuShare = (engineCpuAfter - engineCpu) / (seconds * 10.0);
    const double mainWakeups = (ProcessTree::contextSwitches(appPid) - switches) / seconds;

    SinkBench::tap(music, 1);
    waitFor([music] { return music->player() && music->player()->currentTime() > 0; }, 10000);
    settle(3000);
    QString playingParts;
    const qint64 pssPlaying = pssOfTreeKiB(QStringLiteral("playing"), &playingParts);

    out() << "Idle, every tab loaded, nothing playing, " << idleSeconds << " s\n"
          << "  timer wake-ups of our own timers: " << QString::number(counter.ours / seconds, 'f', 2)
          << "/s [target <= 2/s " << verdict(counter.ours / seconds <= 2.0) << "]\n"
          << "  timer events on the main thread, all: " << QString::number(counter.total / seconds, 'f', 2)
          << "/s\n";
    for (auto it = counter.byOwner.cbegin(); it != counter.byOwner.cend(); ++it)
        out() << "    " << it.key() << ": " << QString::number(it.value() / seconds, 'f', 2) << "/s\n";
    out() << "  main thread wake-ups (context switches): " << QString::number(mainWakeups, 'f', 1) << "/s\n"
          << "  CPU, application process: " << QString::number(appCpuShare, 'f', 2)
          << " % of a core [target < 0.5 % " << verdict(appCpuShare < 0.5) << "]\n"
          << "  CPU, web engine processes: " << QString::number(engineCpuShare, 'f', 2) << " % of a core\n"
          << "Memory (PSS of the application and its " << processes - 1
          << " web engine processes; the demo service in a process of its own)\n"
          << "  every tab loaded: " << pssTabs / 1024 << " MiB [target <= " << kTabsTargetMiB << " MiB "
          << verdict(pssTabs <= kTabsTargetMiB * 1024) << "]\n   " << tabsParts << "\n"
          << "  one track playing: " << pssPlaying / 1024 << " MiB [target <= " << kPlayingTargetMiB << " MiB "
          << verdict(pssPlaying <= kPlayingTargetMiB * 1024) << "]\n   " << playingParts << Qt::endl;
    return 0;
}

// Memory and idle cost in a child process, with the demo service in
// another; the parts of each state's memory go into bars.
void measureIdleAndMemory(const QString &idleSeconds, QList<BenchChart::Bar> *bars)
{
    BenchChild::Server server;
    if (!server.start()) {
        out() << "the demo service did not start" << Qt::endl;
        return;
    }
    const QString origin = server.origin();
    BenchChart::Bar tabs{QStringLiteral("every tab loaded"), {}, kTabsTargetMiB};
    BenchChart::Bar playing{QStringLiteral("one track playing"), {}, kPlayingTargetMiB};
    BenchChild::run({QStringLiteral("--child"), QStringLiteral("idle"), QStringLiteral("--idle-seconds"), idleSeconds,
              QStringLiteral("--origin"), origin},
             [&](const QString &line) {
                 // "@memory STATE KIB NAME"
                 const QStringList fields = line.split(QLatin1Char(' '));
                 if (fields.size() < 4 || fields.at(0) != QLatin1String("@memory"))
                     return;
                 BenchChart::Bar &bar = fields.at(1) == QLatin1String("tabs") ? tabs : playing;
                 // The first process is the application; the others its
                 // web engine's, numbered in order.
                 const QString label = bar.parts.isEmpty()
                     ? QStringLiteral("application")
                     : QStringLiteral("web engine %1").arg(bar.parts.size());
                 bar.parts.append({label, fields.at(2).toDouble() / 1024});
             });
    *bars = {tabs, playing};
}

} // namespace

int main(int argc, char *argv[])
{
    KavuApplication::prepareProcess();
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures Kavu on its demo service."));
    parser.addHelpOption();
    const QCommandLineOption child(QStringLiteral("child"), QStringLiteral("Internal: launch, idle or serve."),
                                   QStringLiteral("kind"));
    const QCommandLineOption taps(QStringLiteral("taps"), QStringLiteral("Track taps (30)."), QStringLiteral("n"),
                                  QStringLiteral("30"));
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Streaming starts per track size (10)."),
                                  QStringLiteral("n"), QStringLiteral("10"));
    const QCommandLineOption fileRuns(QStringLiteral("file-runs"),
                                      QStringLiteral("File player downloads of the 100 MB track (3)."),
                                      QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption launches(QStringLiteral("launches"), QStringLiteral("Cold launches (5)."),
                                      QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption idle(QStringLiteral("idle-seconds"), QStringLiteral("Idle measurement (60)."),
                                  QStringLiteral("s"), QStringLiteral("60"));
    const QCommandLineOption origin(QStringLiteral("origin"), QStringLiteral("Internal: the demo service's address."),
                                    QStringLiteral("address"));
    const QCommandLineOption skip(QStringLiteral("skip"),
                                  QStringLiteral("Leave out measurements: launch, idle (idle cost and memory), cpu, "
                                                 "taps, gap, seek, pause, restart, outage, mpris, sizes; "
                                                 "comma-separated."),
                                  QStringLiteral("parts"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("Internal: how long to measure."),
                                     QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption svg(QStringLiteral("svg"),
                                 QStringLiteral("Draw tap to audio and memory by process into <file> (SVG)."),
                                 QStringLiteral("file"));
    parser.addOptions({child, taps, runs, fileRuns, launches, idle, origin, skip, seconds, svg});
    parser.process(application);

    // A session bus of its own (the run starts itself again under
    // dbus-run-session), so that what plays is published as on a desktop
    // and a client's commands can be timed. The bus must outlive the
    // process: GIO ends a process whose session bus goes.
    if (!parser.isSet(child) && qEnvironmentVariableIsEmpty("KAVU_BENCH_BUS") && !QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty()) {
        qputenv("KAVU_BENCH_BUS", "1");
        QStringList arguments{QStringLiteral("--"), QCoreApplication::applicationFilePath()};
        arguments += QCoreApplication::arguments().mid(1);
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QStringLiteral("dbus-run-session"), arguments);
        run.waitForFinished(-1);
        return run.exitCode();
    }
    if (parser.value(child) == QLatin1String("launch"))
        return childLaunch();
    if (parser.value(child) == QLatin1String("serve"))
        return childServe();
    if (parser.value(child) == QLatin1String("play"))
        return PlayingCpu::childKavu(parser.value(origin), parser.value(seconds).toInt());
    if (parser.value(child) == QLatin1String("bare"))
        return PlayingCpu::childBare(parser.value(origin), parser.value(seconds).toInt());
    // A sound server of the run's own, which the children use too: what is
    // heard is measured at its output.
    SoundServer sound;
    QString soundError;
    const bool hasSound = parser.isSet(child) ? false : sound.start(&soundError);
    if (!parser.isSet(child) && !hasSound)
        out() << "No sound server (" << soundError << "): nothing is measured at the sink" << Qt::endl;
    if (parser.value(child) == QLatin1String("idle"))
        return childIdle(parser.value(idle).toInt(), parser.value(origin));
    const QStringList skipped = parser.value(skip).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto wanted = [&](const char *part) { return !skipped.contains(QLatin1String(part)); };

    // Driven from here, not from an event handler, so that what the
    // measurements give up with deleteLater() goes in the loops they wait in.
    out() << "kavu-bench on " << QSysInfo::prettyProductName() << ", " << QThread::idealThreadCount()
          << " cores" << Qt::endl;
    BenchChart::Run picture;
    picture.title = QStringLiteral("kavu-bench on %1, %2 cores")
                        .arg(QSysInfo::prettyProductName())
                        .arg(QThread::idealThreadCount());
    QList<BenchChart::Series> firstTaps;
    if (wanted("launch"))
        measureLaunch(parser.value(launches).toInt(), &firstTaps);
    if (wanted("idle"))
        measureIdleAndMemory(parser.value(idle), &picture.memory);
    if (wanted("cpu") && hasSound)
        PlayingCpu::measure(20);

    const QString busAddress = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    const bool hasBus = !qEnvironmentVariableIsEmpty("KAVU_BENCH_BUS") && !busAddress.isEmpty();

    const bool measured = [&] {
        DemoService demo;
        demo.start();
        QFile::remove(UserDefaults::defaultFilePath(QStringLiteral("kavu-bench")));
        KavuApplication kavu(demo.bundle(), QStringLiteral("kavu-bench"));
        kavu.window()->show();
        SecondViewController *music = kavu.window()->musicScreen();
        if (!waitFor([music] { return musicPageLoaded(music); }, 30000)) {
            out() << "the Music page did not load" << Qt::endl;
            return false;
        }
        // The GUI thread must answer throughout: nothing it does may wait on the
        // network or on a media pipeline.
        StallMonitor stalls;
        stalls.start();
        SinkBench sink(music, &demo, &sound);
        if (wanted("taps") && hasSound) {
            prepareTracks(demo);
            for (int roundTripMs : {0, 50}) {
                const SinkBench::Taps run = sink.tapToAudible(parser.value(taps).toInt(), roundTripMs);
                const QString r = QStringLiteral("R = %1 ms").arg(roundTripMs);
                picture.taps.append({QStringLiteral("Kavu, ") + r, run.app});
                picture.taps.append({QStringLiteral("floor, ") + r, run.floor});
            }
        }
        if (wanted("gap") && hasSound) {
            for (int roundTripMs : {0, 50})
                sink.gapBetweenTracks(roundTripMs);
            sink.gapAcrossFormats();
        }
        CommandBench commands(music, &demo, &sound);
        if (wanted("seek") && hasSound)
            commands.seeks(10);
        if (wanted("pause") && hasSound)
            commands.pauseAndPlay(10);
        if (wanted("restart") && hasSound)
            commands.serverRestart(5);
        if (wanted("outage") && hasSound)
            sink.outage(8000);

        if (wanted("mpris")) {
            if (hasBus) {
                measureMprisLatency(music, busAddress, 20);
                if (hasSound)
                    measureMprisVolume(music, busAddress, sound, 20);
            } else
                out() << "MPRIS: no dbus-daemon, not measured" << Qt::endl;
        }
        if (wanted("sizes"))
            measureTrackSizes(demo, parser.value(runs).toInt(), parser.value(fileRuns).toInt());
        stalls.stop();
        out() << "Longest GUI-thread stall during taps, hand-overs, an outage, MPRIS commands and streaming start: "
              << QString::number(stalls.longestStallMs(), 'f', 1) << " ms [target <= 50 ms "
              << verdict(stalls.longestStallMs() <= 50) << "]" << Qt::endl;
        return true;
    }();
    picture.taps += firstTaps;
    if (parser.isSet(svg)) {
        QSaveFile file(parser.value(svg));
        if (!file.open(QIODevice::WriteOnly) || file.write(BenchChart::svg(picture).toUtf8()) < 0 || !file.commit())
            out() << "could not write " << parser.value(svg) << Qt::endl;
    }
    return measured ? 0 : 1;
}

#include "benchmark.moc"
