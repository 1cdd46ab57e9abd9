#include "platform/system/EventLoopProcessTerminator.h"

#include <QCoreApplication>

void EventLoopProcessTerminator::exitWithStatus(int status)
{
    QCoreApplication::exit(status);
}
