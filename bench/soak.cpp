#include "EventWait.h"
#include "BenchOutput.h"
#include "StallMonitor.h"
#include "Stats.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "allmusic/AllmusicViewController.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "platform/media/MediaFilePlayer.h"
#include "platform/media/PlaybackPipeline.h"
#include "platform/media/MediaStreamingPlayer.h"
#include "platform/nowplaying/MprisNowPlayingCenter.h"
#include "platform/ui/NavigationBar.h"
#include "ProcessMemory.h"
#include "platform/media/StreamingPlayer.h"
#include "platform/media/StreamingPlayerItem.h"
#include "platform/net/UrlConnection.h"
#include "platform/system/UserDefaults.h"
#include "platform/web/WebView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QProcess>
#include <QProgressBar>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <malloc.h>

#include <algorithm>


using BenchOutput::out;

// A long run of Kavu on its demo service: radio mode through many short
// tracks, then a burst of track taps, with resident memory before and after
// and what is left alive at the end. Growth beyond a few MiB is a leak.
namespace {

using EventWait::settle;
using EventWait::waitFor;

// Resident memory with freed heap pages handed back first, so that what
// is compared is what is still in use.
qint64 residentMiB()
{
    malloc_trim(0);
    return ProcessMemory::residentKiB() / 1024;
}

int activeTimers()
{
    int count = 0;
    const auto countIn = [&count](QObject *root) {
        for (QTimer *timer : root->findChildren<QTimer *>())
            count += timer->isActive() ? 1 : 0;
    };
    countIn(qApp);
    for (QWidget *widget : QApplication::topLevelWidgets())
        countIn(widget);
    return count;
}

void report(const QString &when)
{
    out() << when << ": resident " << residentMiB() << " MiB, streaming players "
          << MediaStreamingPlayer::liveCount() << ", file players " << MediaFilePlayer::liveCount()
          << ", audio pipeline threads " << PlaybackPipeline::runningThreads() << ", active timers " << activeTimers()
          << ", requests " << UrlConnection::liveCount()
          << Qt::endl;
}

// The track files of this process's direct player in the caches folder.
int trackFiles(const QString &caches)
{
    return int(QDir(caches).entryList({QStringLiteral("track-%1-*.part").arg(QCoreApplication::applicationPid())},
                                      QDir::Files).size());
}

// Commands from the desktop's player controls over the session bus, one
// after the other, each answered before the next: play-pause, a seek,
// previous and next in turn, to the screen that plays.
bool sendMprisCommands(const QDBusConnection &bus, int count)
{
    const QString service = QString::fromLatin1(MprisNowPlayingCenter::kServiceName);
    for (int i = 0; i < count; ++i) {
        QDBusMessage call;
        const auto player = [&](const QString &method) {
            return QDBusMessage::createMethodCall(service, QStringLiteral("/org/mpris/MediaPlayer2"),
                                                  QStringLiteral("org.mpris.MediaPlayer2.Player"), method);
        };
        switch (i % 4) {
        case 0: call = player(QStringLiteral("PlayPause")); break;
        case 1: call = player(QStringLiteral("Seek")); call << qlonglong(100000); break;
        case 2: call = player(QStringLiteral("Previous")); break;
        default: call = player(QStringLiteral("Next")); break;
        }
        QDBusPendingCall pending = bus.asyncCall(call, 5000);
        if (!waitFor([&] { return pending.isFinished(); }, 10000) || pending.isError()) {
            out() << "kavu-soak: MPRIS command " << i << " got no answer: " << pending.error().message()
                  << Qt::endl;
            return false;
        }
        settle(5);
    }
    return true;
}

// Direct-player downloads, each cancelled with "Назад" once part of the
// track has come.
bool cancelDownloads(AllmusicViewController *direct, const QString &caches, int count)
{
    direct->loadViewIfNeeded();
    for (int i = 0; i < count; ++i) {
        direct->fetchDataFromServerWithID(QString::number(1 + i % 8));
        const auto halfWay = [&] {
            const QProgressBar *bar = direct->downloadProgressBar();
            return bar && !bar->isHidden() && bar->maximum() > 0 && bar->value() * 4 >= bar->maximum();
        };
        if (!waitFor(halfWay, 30000)) {
            out() << "kavu-soak: download " << i << " did not start" << Qt::endl;
            return false;
        }
        direct->backButtonTapped();
        if (!waitFor([&] { return trackFiles(caches) == 0; }, 5000)) {
            out() << "kavu-soak: download " << i << " left its file" << Qt::endl;
            return false;
        }
    }
    return true;
}

// The run itself, inside the event loop: radio, taps, desktop commands,
// cancelled downloads, back to the page.
int run(KavuApplication *kavu, const QDBusConnection *bus, DemoService *demo, const int &randomRequests,
        int trackCount, int tapCount, int commandCount, int downloadCount)
{
    SecondViewController *music = kavu->window()->musicScreen();
    if (!waitFor([&] { return music->navigationBar() && music->navigationBar()->rightButton(); }, 30000)) {
        out() << "kavu-soak: the Music page did not load" << Qt::endl;
        return 1;
    }
    report(QStringLiteral("start page loaded"));

    // One track first, so that the media framework's one-time set-up does
    // not count as growth.
    music->radioButtonTapped();
    if (!waitFor([&] { return randomRequests >= 3; }, 60000)) {
        out() << "kavu-soak: radio did not start" << Qt::endl;
        return 1;
    }
    report(QStringLiteral("warmed up"));
    const qint64 startMiB = residentMiB();

    // Each radio transition: from the end of a track to the next track's
    // first position.
    // The run's own measuring (handing heap pages back, reading /proc) is
    // no stall of Kavu's: the monitor pauses for it.
    StallMonitor stalls;
    double longestStall = 0;
    const auto measure = [&](const QString &when) {
        stalls.stop();
        longestStall = qMax(longestStall, stalls.longestStallMs());
        report(when);
        stalls.start();
    };
    stalls.start();
    QElapsedTimer clock;
    clock.start();
    QList<double> transitions;
    for (int played = 0; played < trackCount; ++played) {
        // A track is half a second; a minute without one is a stall.
        if (!waitFor([&] { return music->player() && music->player()->currentTime() > 0; }, 60000)) {
            out() << "kavu-soak: radio stalled after " << played << " tracks" << Qt::endl;
            return 1;
        }
        StreamingPlayer *current = music->player();
        QElapsedTimer sinceEnd;
        QObject::connect(current->currentItem(), &StreamingPlayerItem::didPlayToEndTime, current,
                         [&sinceEnd] { sinceEnd.start(); });
        if (!waitFor([&] { return music->player() && music->player() != current
                                  && music->player()->currentTime() > 0; }, 60000)) {
            out() << "kavu-soak: radio stalled after " << played + 1 << " tracks" << Qt::endl;
            return 1;
        }
        if (sinceEnd.isValid())
            transitions.append(sinceEnd.nsecsElapsed() / 1e6);
        if ((played + 1) % 100 == 0)
            measure(QStringLiteral("radio, %1 tracks").arg(played + 1));
    }
    const Stats transition = Stats::of(transitions);
    const double longest = transitions.isEmpty() ? 0 : *std::max_element(transitions.begin(), transitions.end());
    out() << "radio: " << trackCount << " tracks in " << clock.elapsed() / 1000.0 << " s [target <= "
          << 0.7 * trackCount << " s]" << Qt::endl;
    out() << "  radio transition (end of a track to the next one's first position): median "
          << QString::number(transition.median, 'f', 1) << " ms, longest " << QString::number(longest, 'f', 1)
          << " ms [target <= 1000 ms]" << Qt::endl;

    // Rapid taps on track links, as fast as a page could send them.
    clock.restart();
    for (int i = 0; i < tapCount; ++i) {
        const QUrl link(QStringLiteral("kavu://music?id=%1").arg(1 + i % 8));
        music->webViewShouldStartLoadWithRequest(music->webView(), link, WebViewNavigationType::LinkClicked);
        settle(5);
    }
    out() << "taps: " << tapCount << " in " << clock.elapsed() / 1000.0 << " s" << Qt::endl;
    settle(3000);
    measure(QStringLiteral("after the taps"));

    if (bus) {
        clock.restart();
        if (!sendMprisCommands(*bus, commandCount))
            return 1;
        out() << "MPRIS commands: " << commandCount << " in " << clock.elapsed() / 1000.0 << " s" << Qt::endl;
        settle(3000);
        measure(QStringLiteral("after the MPRIS commands"));
    } else {
        out() << "MPRIS commands: skipped (no dbus-daemon)" << Qt::endl;
    }

    // Downloads slow enough to be cancelled half-way: a track of 0.5 s is
    // some 44 KB.
    const QString caches = kavu->services().cachesDirectory;
    music->playerBackButtonTapped();
    demo->setThrottle(32 * 1024);
    clock.restart();
    if (!cancelDownloads(kavu->window()->directPlayerScreen(), caches, downloadCount))
        return 1;
    demo->setThrottle(0);
    out() << "cancelled downloads: " << downloadCount << " in " << clock.elapsed() / 1000.0
          << " s, track files left: " << trackFiles(caches) << Qt::endl;
    settle(3000);
    measure(QStringLiteral("after the downloads"));

    // Back to the page: nothing should be left playing or pending.
    music->playerBackButtonTapped();
    settle(3000);
    stalls.stop();
    longestStall = qMax(longestStall, stalls.longestStallMs());
    out() << "longest GUI-thread stall from warm-up to the end: " << QString::number(longestStall, 'f', 1)
          << " ms [target <= 50 ms]" << Qt::endl;
    const qint64 endMiB = residentMiB();
    report(QStringLiteral("end"));
    // Nothing plays: no track download and no now-playing picture of this
    // process may be left in the caches folder.
    const QStringList left = QDir(caches).entryList({QStringLiteral("*-%1-*").arg(QCoreApplication::applicationPid())},
                                                    QDir::Files);
    out() << "files of this run left in the caches folder: " << left.size() << " [target 0]" << Qt::endl;
    out() << "growth: " << endMiB - startMiB << " MiB" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    KavuApplication::prepareProcess();
    // The run counts memory and files, not sound: where no sound server is
    // named, it plays into the silent output.
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER") && qEnvironmentVariableIsEmpty("KAVU_AUDIO_OUTPUT"))
        qputenv("KAVU_AUDIO_OUTPUT", "silent");
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A long run of Kavu on its demo service."));
    parser.addHelpOption();
    const QCommandLineOption tracks(QStringLiteral("tracks"), QStringLiteral("Radio tracks to play (500)."),
                                    QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption taps(QStringLiteral("taps"), QStringLiteral("Track taps (1000)."),
                                  QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption commands(QStringLiteral("commands"), QStringLiteral("MPRIS commands (1000)."),
                                      QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption downloads(QStringLiteral("downloads"),
                                       QStringLiteral("Direct-player downloads cancelled half-way (100)."),
                                       QStringLiteral("n"), QStringLiteral("100"));
    parser.addOption(tracks);
    parser.addOption(taps);
    parser.addOption(commands);
    parser.addOption(downloads);
    parser.process(application);
    const int trackCount = parser.value(tracks).toInt();
    const int tapCount = parser.value(taps).toInt();

    // A session bus of the run's own, so that the commands reach this Kavu
    // and no other player.
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    std::unique_ptr<QDBusConnection> client;
    if (daemon.waitForStarted(5000) && waitFor([&] { return daemon.canReadLine(); }, 5000)) {
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("kavu-soak-client")));
    }

    DemoService demo;
    if (!demo.start()) {
        out() << "kavu-soak: could not start the demo service" << Qt::endl;
        return 1;
    }
    demo.setTrackSeconds(0.5);
    int randomRequests = 0;
    QObject::connect(&demo, &DemoService::requestReceived, [&randomRequests](const QString &path) {
        if (path.startsWith(QLatin1String("/kavu/API/get-info-random-songs.php")))
            ++randomRequests;
    });

    QFile::remove(UserDefaults::defaultFilePath(QStringLiteral("kavu-soak")));
    KavuApplication kavu(demo.bundle(), QStringLiteral("kavu-soak"));
    kavu.window()->show();
    // Driven from here, not from an event handler, so that what the run
    // gives up with deleteLater() goes in the loops it waits in.
    const int status = run(&kavu, client && client->isConnected() ? client.get() : nullptr, &demo, randomRequests,
                           trackCount, tapCount, parser.value(commands).toInt(), parser.value(downloads).toInt());
    client.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("kavu-soak-client"));
    daemon.terminate();
    daemon.waitForFinished(3000);
    return status;
}
