#include "app/CommandLine.h"
#include "app/KavuApplication.h"
#include "app/PlayerRemote.h"
#include "app/SingleInstance.h"
#include "platform/system/UserDefaults.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    KavuApplication::prepareProcess();
    const BundleInfo bundle = BundleInfo::builtIn();
    const QString settingsName = QStringLiteral("kavu");

    // --help, --version and a refused address need no display.
    const CommandLine line = CommandLine::read(argc, argv, bundle.defaultSiteAddress);
    // A player command goes to the Kavu that runs; none is started.
    if (line.action == CommandLine::Action::Control) {
        QCoreApplication core(argc, argv);
        return PlayerRemote::send(line.command);
    }
    if (line.action != CommandLine::Action::Run) {
        QTextStream(line.action == CommandLine::Action::Answer ? stdout : stderr)
            << line.text << (line.text.endsWith(QLatin1Char('\n')) ? "" : "\n");
        return line.action == CommandLine::Action::Answer ? 0 : 2;
    }

    QApplication application(argc, argv);
    // A second start hands its request to the Kavu that runs, and ends.
    SingleInstance instance(QGuiApplication::desktopFileName(), UserDefaults::defaultFilePath(settingsName));
    if (!instance.claim())
        return instance.handOver(line);

    KavuApplication kavu(bundle, settingsName);
    UserDefaults *defaults = kavu.services().userDefaults;
    if (line.siteAddress)
        defaults->setString(QStringLiteral("customURL"), *line.siteAddress);
    else if (line.resetSiteAddress)
        defaults->removeObjectForKey(QStringLiteral("customURL"));
    defaults->synchronize();
    instance.serve(&kavu);
    if (line.preferences)
        QMetaObject::invokeMethod(&application, [&kavu] { kavu.showPreferences(); }, Qt::QueuedConnection);
    return kavu.exec();
}
