#include "platform/system/Log.h"

Q_LOGGING_CATEGORY(lcKavu, "kavu", QtInfoMsg)

void systemLog(const QString &line)
{
    qCInfo(lcKavu, "%s", qUtf8Printable(line));
}
