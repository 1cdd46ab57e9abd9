#include "app/KavuApplication.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    KavuApplication::prepareProcess();
    QApplication application(argc, argv);
    KavuApplication kavu(BundleInfo::builtIn(), QStringLiteral("kavu"));
    return kavu.exec();
}
