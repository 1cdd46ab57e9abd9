#include "platform/system/BundleInfo.h"

#include "BuildConfig.h"

BundleInfo BundleInfo::builtIn()
{
    return BundleInfo{QStringLiteral(KAVU_VERSION_STRING),
                      QStringLiteral(KAVU_SERVICE_HOST_ORIGIN),
                      QStringLiteral(KAVU_DEFAULT_SITE_ADDRESS)};
}
