#include "PlayingCpu.h"
#include "BenchOutput.h"

#include "BarePlaybin.h"
#include "BenchChild.h"
#include "EventWait.h"
#include "ProcessTree.h"
#include "SinkBench.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoAudio.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoService.h"
#include "platform/media/StreamingPlayer.h"
#include "platform/ui/NavigationBar.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
#include <functional>

using EventWait::settle;
using EventWait::waitFor;

using BenchOutput::out;
using BenchOutput::verdict;

namespace {

// The track every child plays: the first that lasts the measurement, the
// two seconds before it and some to spare, so that the window ends within
// it (a window that outlasted it would compare a bare playbin gone quiet
// with Kavu starting the following track).
int trackFor(int seconds)
{
    for (const DemoTrack &track : DemoCatalogue::tracks()) {
        if (DemoAudio::durationSeconds(track.id) >= seconds + 6)
            return track.id;
    }
    return -1;
}

QString trackAddress(const QString &origin, int track)
{
    return origin + QStringLiteral("/media/track-%1.wav").arg(track);
}

// The CPU of this process's threads over seconds, while position (in
// seconds) moves on within one track; a window in which the track did not
// play throughout gives no figure.
bool sampleThreads(int seconds, const std::function<double()> &position)
{
    const qint64 pid = QCoreApplication::applicationPid();
    const double from = position();
    const QMap<QString, qint64> before = ProcessTree::threadCpuMs(pid);
    const qint64 totalBefore = ProcessTree::cpuMs(pid);
    settle(seconds * 1000);
    const QMap<QString, qint64> after = ProcessTree::threadCpuMs(pid);
    const qint64 total = ProcessTree::cpuMs(pid) - totalBefore;
    if (position() < from + seconds - 1.0) {
        out() << "@stopped the track did not play through the window" << Qt::endl;
        return false;
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const qint64 used = it.value() - before.value(it.key());
        if (used > 0)
            out() << "@thread " << QString(it.key()).replace(QLatin1Char(' '), QLatin1Char('_')) << ' ' << used << '\n';
    }
    out() << "@total " << total << Qt::endl;
    return true;
}

struct Run
{
    QString name;
    double total = -1; // % of a core
    QMap<QString, double> threads;
};

Run runChild(const QString &name, const QStringList &arguments, const QProcessEnvironment &environment,
             int seconds)
{
    Run run{name, -1, {}};
    BenchChild::run(arguments, [&](const QString &line) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() == 3 && fields.at(0) == QLatin1String("@thread"))
            run.threads.insert(fields.at(1), fields.at(2).toDouble() / (seconds * 10.0));
        else if (fields.size() == 2 && fields.at(0) == QLatin1String("@total"))
            run.total = fields.at(1).toDouble() / (seconds * 10.0);
    }, environment);
    return run;
}

QString percent(double value)
{
    return value < 0 ? QStringLiteral("(none)") : QString::number(value, 'f', 2) + QStringLiteral(" %");
}

void print(const Run &run)
{
    out() << "  " << run.name << ": " << percent(run.total) << " of a core";
    QList<QPair<double, QString>> threads;
    for (auto it = run.threads.cbegin(); it != run.threads.cend(); ++it)
        threads.append({it.value(), it.key()});
    std::sort(threads.begin(), threads.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList parts;
    for (const auto &thread : std::as_const(threads)) {
        if (thread.first >= 0.05)
            parts << QStringLiteral("%1 %2").arg(thread.second, QString::number(thread.first, 'f', 2));
    }
    out() << (parts.isEmpty() ? QString() : QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')'))
          << '\n';
}

// A virtual display of the run's own; its number, or empty.
QString startDisplay(QProcess *xvfb)
{
    xvfb->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                         QStringLiteral("0"), QStringLiteral("1280x800x24"),
                                         QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QString display;
    waitFor([&] {
        if (xvfb->canReadLine())
            display = QString::fromUtf8(xvfb->readLine()).trimmed();
        return !display.isEmpty() || xvfb->state() == QProcess::NotRunning;
    }, 10000);
    return display.isEmpty() ? QString() : QLatin1Char(':') + display;
}

} // namespace

namespace PlayingCpu {

int childKavu(const QString &origin, int seconds)
{
    KavuApplication kavu(DemoService::bundleFor(origin), QStringLiteral("kavu-bench"));
    kavu.window()->show();
    SecondViewController *music = kavu.window()->musicScreen();
    if (!waitFor([music] { return music->navigationBar() && music->navigationBar()->rightButton(); }, 30000))
        return 1;
    settle(2000);
    const int track = trackFor(seconds);
    if (track < 0)
        return 1;
    SinkBench::tap(music, track);
    if (!waitFor([music] { return music->player() && music->player()->currentTime() > 2.0; }, 10000))
        return 1;
    const bool played = sampleThreads(seconds, [music] { return music->player() ? music->player()->currentTime() : 0; });
    music->playerBackButtonTapped();
    settle(200);
    return played ? 0 : 1;
}

int childBare(const QString &origin, int seconds)
{
    const int track = trackFor(seconds);
    if (track < 0)
        return 1;
    BarePlaybin bare(trackAddress(origin, track), QString(), 1000);
    if (!waitFor([&] { return bare.positionSeconds() > 2.0; }, 10000))
        return 1;
    return sampleThreads(seconds, [&] { return bare.isFinished() ? 0.0 : bare.positionSeconds(); }) ? 0 : 1;
}

// Of runs of one kind, the one whose total is the median: printed with
// the totals of them all.
Run printMedian(QList<Run> runs)
{
    QStringList totals;
    for (const Run &run : std::as_const(runs))
        totals << percent(run.total);
    // A run that gave no figure takes no part in the median.
    runs.erase(std::remove_if(runs.begin(), runs.end(), [](const Run &run) { return run.total < 0; }), runs.end());
    std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.total < b.total; });
    const Run median = runs.isEmpty() ? Run{} : runs.at(runs.size() / 2);
    print(median);
    out() << "    runs: " << totals.join(QStringLiteral(", ")) << '\n';
    return median;
}

// The target line: run within half a percent of a core of base.
void printTarget(const char *target, const Run &run, const Run &base)
{
    out() << "  [target " << target << " + 0.5 % "
          << verdict(run.total >= 0 && base.total >= 0 && run.total <= base.total + 0.5) << "]\n";
}

void measure(int seconds)
{
    BenchChild::Server server;
    if (!server.start()) {
        out() << "CPU while playing: the demo service did not start" << Qt::endl;
        return;
    }
    const QString origin = server.origin();
    const QStringList kavu{QStringLiteral("--child"), QStringLiteral("play"), QStringLiteral("--origin"), origin,
                           QStringLiteral("--seconds"), QString::number(seconds)};
    QStringList bare = kavu;
    bare[1] = QStringLiteral("bare");
    QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess xvfb;
    const QString display = startDisplay(&xvfb);
    QProcessEnvironment window = QProcessEnvironment::systemEnvironment();
    window.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    window.insert(QStringLiteral("DISPLAY"), display);
    window.insert(QStringLiteral("QT_ACCESSIBILITY"), QStringLiteral("0"));
    window.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
    // A screen reader's bridge: the accessibility bus, and Qt told to
    // publish to it as it does when a screen reader runs.
    const QString launcher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
    const bool bridge = !display.isEmpty() && !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
                        && QFile::exists(launcher);
    QProcess bus;
    QProcessEnvironment bridged = window;
    if (bridge) {
        bus.start(launcher, {QStringLiteral("--launch-immediately")});
        settle(1000);
        bridged.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        bridged.remove(QStringLiteral("QT_ACCESSIBILITY"));
    }

    // A run's figure moves by some 0.3 % of a core from one run to the
    // next, mostly in PulseAudio's client thread, the bare playbin's as
    // much as Kavu's: each kind runs three times, in turns, and the
    // medians are compared.
    constexpr int kRounds = 3;
    QList<Run> floors, headless, shown, withBridge;
    for (int round = 0; round < kRounds; ++round) {
        floors << runChild(QStringLiteral("bare playbin"), bare, offscreen, seconds);
        headless << runChild(QStringLiteral("Kavu offscreen"), kavu, offscreen, seconds);
        if (!display.isEmpty())
            shown << runChild(QStringLiteral("Kavu in a window"), kavu, window, seconds);
        if (bridge)
            withBridge << runChild(QStringLiteral("Kavu in a window, screen reader's bridge on"), kavu, bridged, seconds);
    }
    if (bridge) {
        bus.kill();
        bus.waitForFinished(3000);
    }
    xvfb.terminate();
    xvfb.waitForFinished(3000);

    out() << "CPU while one track plays (" << seconds << " s, by thread, % of a core; the median of " << kRounds
          << " runs each, taken in turns)\n";
    const Run floor = printMedian(floors);
    printTarget("offscreen: <= bare", printMedian(headless), floor);
    if (display.isEmpty()) {
        out() << "  (no Xvfb: the window was not measured)" << Qt::endl;
        return;
    }
    const Run inWindow = printMedian(shown);
    printTarget("in a window: <= bare", inWindow, floor);
    if (!bridge) {
        out() << "  (no session bus or at-spi-bus-launcher: the bridge was not measured)" << Qt::endl;
        return;
    }
    printTarget("with the bridge: <= in a window", printMedian(withBridge), inWindow);
    out().flush();
}

} // namespace PlayingCpu
