#include "app/KavuApplication.h"
#include "demo/DemoService.h"

#include <QApplication>
#include <QTextStream>

// Kavu on its embedded demo service: both origins point at a local server
// started in this process, and the settings are kept apart from Kavu's own.
int main(int argc, char *argv[])
{
    KavuApplication::prepareProcess();
    QApplication application(argc, argv);

    DemoService demo;
    if (!demo.start()) {
        QTextStream(stderr) << "kavu-demo: could not start the demo service\n";
        return 1;
    }
    QTextStream(stdout) << "kavu-demo: demo service at " << demo.origin() << Qt::endl;

    BundleInfo bundle = BundleInfo::builtIn();
    bundle.serviceHostOrigin = demo.origin();
    bundle.defaultSiteAddress = demo.siteAddress();
    KavuApplication kavu(bundle, QStringLiteral("kavu-demo"));
    return kavu.exec();
}
