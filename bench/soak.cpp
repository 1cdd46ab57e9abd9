#include "EventWait.h"
#include "StallMonitor.h"
#include "Stats.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "platform/media/MediaFilePlayer.h"
#include "platform/media/MediaPlayerHost.h"
#include "platform/media/MediaStreamingPlayer.h"
#include "platform/ui/NavigationBar.h"
#include "ProcessMemory.h"
#include "platform/media/StreamingPlayer.h"
#include "platform/media/StreamingPlayerItem.h"
#include "platform/net/UrlConnection.h"
#include "platform/system/UserDefaults.h"
#include "platform/web/WebView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <malloc.h>

#include <algorithm>


// A long run of Kavu on its demo service: radio mode through many short
// tracks, then a burst of track taps, with resident memory before and after
// and what is left alive at the end. Growth beyond a few MiB is a leak.
namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

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
          << ", media threads " << MediaPlayerHost::runningThreads() << ", active timers " << activeTimers()
          << ", requests " << UrlConnection::liveCount()
          << Qt::endl;
}

// The run itself, inside the event loop: radio, taps, back to the page.
int run(SecondViewController *music, const int &randomRequests, int trackCount, int tapCount)
{
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

    // Back to the page: nothing should be left playing or pending.
    music->playerBackButtonTapped();
    settle(3000);
    stalls.stop();
    longestStall = qMax(longestStall, stalls.longestStallMs());
    out() << "longest GUI-thread stall from warm-up to the end: " << QString::number(longestStall, 'f', 1)
          << " ms [target <= 50 ms]" << Qt::endl;
    const qint64 endMiB = residentMiB();
    report(QStringLiteral("end"));
    out() << "growth: " << endMiB - startMiB << " MiB" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    KavuApplication::prepareProcess();
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A long run of Kavu on its demo service."));
    parser.addHelpOption();
    const QCommandLineOption tracks(QStringLiteral("tracks"), QStringLiteral("Radio tracks to play (500)."),
                                    QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption taps(QStringLiteral("taps"), QStringLiteral("Track taps (1000)."),
                                  QStringLiteral("n"), QStringLiteral("1000"));
    parser.addOption(tracks);
    parser.addOption(taps);
    parser.process(application);
    const int trackCount = parser.value(tracks).toInt();
    const int tapCount = parser.value(taps).toInt();

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
    SecondViewController *music = kavu.window()->musicScreen();
    // Driven from here, not from an event handler, so that what the run
    // gives up with deleteLater() goes in the loops it waits in.
    return run(music, randomRequests, trackCount, tapCount);
}
