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

using EventWait::settle;
using EventWait::waitFor;

using BenchOutput::out;
using BenchOutput::verdict;

namespace {

// The track every child plays: long enough for the measurement.
QString trackAddress(const QString &origin)
{
    return origin + QStringLiteral("/media/track-3.wav");
}

void sampleThreads(int seconds)
{
    const qint64 pid = QCoreApplication::applicationPid();
    const QMap<QString, qint64> before = ProcessTree::threadCpuMs(pid);
    const qint64 totalBefore = ProcessTree::cpuMs(pid);
    settle(seconds * 1000);
    const QMap<QString, qint64> after = ProcessTree::threadCpuMs(pid);
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const qint64 used = it.value() - before.value(it.key());
        if (used > 0)
            out() << "@thread " << QString(it.key()).replace(QLatin1Char(' '), QLatin1Char('_')) << ' ' << used << '\n';
    }
    out() << "@total " << ProcessTree::cpuMs(pid) - totalBefore << Qt::endl;
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
    SinkBench::tap(music, 3);
    if (!waitFor([music] { return music->player() && music->player()->currentTime() > 2.0; }, 10000))
        return 1;
    sampleThreads(seconds);
    music->playerBackButtonTapped();
    settle(200);
    return 0;
}

int childBare(const QString &origin, int seconds)
{
    BarePlaybin bare(trackAddress(origin), QString(), 1000);
    if (!waitFor([&] { return bare.positionSeconds() > 2.0; }, 10000))
        return 1;
    sampleThreads(seconds);
    return 0;
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
    const Run floor = runChild(QStringLiteral("bare playbin"), bare, offscreen, seconds);
    const Run headless = runChild(QStringLiteral("Kavu offscreen"), kavu, offscreen, seconds);
    out() << "CPU while one track plays (" << seconds << " s, by thread, % of a core)\n";
    print(floor);
    print(headless);
    out() << "  [target offscreen: <= bare + 0.5 % " << verdict(headless.total >= 0 && headless.total <= floor.total + 0.5)
          << "]\n";

    QProcess xvfb;
    const QString display = startDisplay(&xvfb);
    if (display.isEmpty()) {
        out() << "  (no Xvfb: the window was not measured)" << Qt::endl;
        return;
    }
    QProcessEnvironment window = QProcessEnvironment::systemEnvironment();
    window.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    window.insert(QStringLiteral("DISPLAY"), display);
    window.insert(QStringLiteral("QT_ACCESSIBILITY"), QStringLiteral("0"));
    window.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
    const Run shown = runChild(QStringLiteral("Kavu in a window"), kavu, window, seconds);
    const Run floorAgain = runChild(QStringLiteral("bare playbin, again"), bare, offscreen, seconds);
    print(shown);
    print(floorAgain);
    const double floorTotal = qMax(floor.total, floorAgain.total);
    out() << "  [target in a window: <= bare + 0.5 % " << verdict(shown.total >= 0 && shown.total <= floorTotal + 0.5)
          << "]\n";

    // A screen reader's bridge: the accessibility bus, and Qt told to
    // publish to it as it does when a screen reader runs.
    const QString launcher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || !QFile::exists(launcher)) {
        out() << "  (no session bus or at-spi-bus-launcher: the bridge was not measured)" << Qt::endl;
    } else {
        QProcess bus;
        bus.start(launcher, {QStringLiteral("--launch-immediately")});
        settle(1000);
        window.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        window.remove(QStringLiteral("QT_ACCESSIBILITY"));
        const Run bridged = runChild(QStringLiteral("Kavu in a window, screen reader's bridge on"), kavu, window, seconds);
        print(bridged);
        out() << "  [target with the bridge: <= in a window + 0.5 % "
              << verdict(bridged.total >= 0 && bridged.total <= shown.total + 0.5) << "]\n";
        bus.kill();
        bus.waitForFinished(3000);
    }
    out().flush();
    xvfb.terminate();
    xvfb.waitForFinished(3000);
}

} // namespace PlayingCpu
