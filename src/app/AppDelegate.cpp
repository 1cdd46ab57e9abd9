#include "app/AppDelegate.h"

bool AppDelegate::applicationDidFinishLaunchingWithOptions(const QVariantMap &)
{
    return true;
}

void AppDelegate::applicationWillResignActive() {}
void AppDelegate::applicationDidEnterBackground() {}
void AppDelegate::applicationWillEnterForeground() {}
void AppDelegate::applicationDidBecomeActive() {}
void AppDelegate::applicationWillTerminate() {}
