#include "app/CommandLine.h"
#include "app/KavuApplication.h"
#include "app/SingleInstance.h"
#include "demo/DemoService.h"
#include "demo/DemoTour.h"
#include "platform/system/UserDefaults.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>
#include <QTimer>

// Kavu on its embedded demo service: both origins point at a local server
// started in this process, and the settings are kept apart from Kavu's own.
// With --tour DIR it walks through every screen by itself, saves a picture
// of each step into DIR, and exits with the outcome.
int main(int argc, char *argv[])
{
    KavuApplication::prepareProcess();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kavu on its embedded demo service."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption tour(QStringLiteral("tour"),
                                  QStringLiteral("Walk through every screen, save screenshots into <dir>, exit."),
                                  QStringLiteral("dir"));
    const QCommandLineOption broken(QStringLiteral("break-step"),
                                    QStringLiteral("Fail the tour at <step> on purpose."),
                                    QStringLiteral("step"));
    const QCommandLineOption roundTrip(
        QStringLiteral("round-trip"),
        QStringLiteral("Answer as a server <ms> milliseconds away would: every response <ms> late, the first "
                       "on each new connection three times <ms> late (its handshakes). Default: 0."),
        QStringLiteral("ms"), QStringLiteral("0"));
    parser.addOption(tour);
    parser.addOption(broken);
    parser.addOption(roundTrip);
    // --help and --version answer without a display.
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-h" || argument == "--help" || argument == "--help-all" || argument == "-v"
            || argument == "--version") {
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("kavu-demo"));
            parser.process(core);
        }
    }
    QApplication application(argc, argv);
    parser.process(application);

    DemoService demo;
    if (!demo.start()) {
        QTextStream(stderr) << "kavu-demo: could not start the demo service\n";
        return 1;
    }
    bool validRoundTrip = false;
    const int roundTripMs = parser.value(roundTrip).toInt(&validRoundTrip);
    if (!validRoundTrip || roundTripMs < 0 || roundTripMs > 10000) {
        QTextStream(stderr) << "kavu-demo: --round-trip takes milliseconds from 0 to 10000\n";
        return 2;
    }
    demo.setRoundTripMs(roundTripMs);
    QTextStream(stdout) << "kavu-demo: demo service at " << demo.origin() << Qt::endl;

    const BundleInfo bundle = demo.bundle();
    if (!parser.isSet(tour)) {
        const QString settingsName = QStringLiteral("kavu-demo");
        SingleInstance instance(QGuiApplication::desktopFileName() + QStringLiteral(".Demo"),
                                UserDefaults::defaultFilePath(settingsName));
        if (!instance.claim())
            return instance.handOver(CommandLine());
        KavuApplication kavu(bundle, settingsName);
        // Every run has a service of its own, on a port of its own: an address
        // confirmed in the settings dialog of an earlier run leads nowhere now.
        // The screens read it only once the window shows.
        UserDefaults *settings = kavu.services().userDefaults;
        if (settings->hasKey(QStringLiteral("customURL"))) {
            settings->removeObjectForKey(QStringLiteral("customURL"));
            settings->synchronize();
        }
        instance.serve(&kavu);
        return kavu.exec();
    }

    // The tour checks what plays by the players' own account, on a machine
    // that may have no sound at all: it plays into a silent output unless
    // told otherwise.
    if (qEnvironmentVariableIsEmpty("KAVU_AUDIO_OUTPUT"))
        qputenv("KAVU_AUDIO_OUTPUT", "silent");
    // The tour starts from fresh settings of its own.
    QFile::remove(UserDefaults::defaultFilePath(QStringLiteral("kavu-tour")));
    KavuApplication kavu(bundle, QStringLiteral("kavu-tour"));

    DemoTour walk(&kavu, &demo, parser.value(tour));
    walk.setBrokenStep(parser.value(broken));
    QTimer::singleShot(0, &application, [&] { QCoreApplication::exit(walk.run()); });
    return kavu.exec();
}
