#pragma once

#include <QString>

// What the application knows about itself: its version and the two origins
// it talks to. The built-in values come from the build configuration; the
// demo runner replaces the origins with its local service.
struct BundleInfo
{
    QString shortVersionString;
    QString serviceHostOrigin;   // scheme and host, no trailing "/"
    QString defaultSiteAddress;  // path "/kavu", no trailing "/"
    // Where listens are sent unless the user names another server.
    QString listenBrainzApiAddress = QStringLiteral("https://api.listenbrainz.org");

    static BundleInfo builtIn();
};
