#include "protocol/Endpoints.h"

#include <QUrl>

namespace Endpoints {

QString queryValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString identifierValue(const std::optional<QString> &trackId)
{
    return trackId ? queryValue(*trackId) : QStringLiteral("(null)");
}

QString musicStartPage(const QString &siteAddress, const QString &version)
{
    return siteAddress + QStringLiteral("music/?version=") + version;
}

QString albumsStartPage(const QString &siteAddress, const QString &version)
{
    return siteAddress + QStringLiteral("music/albums/?version=") + version;
}

QString trackInfo(const QString &siteAddress, const std::optional<QString> &trackId)
{
    return siteAddress + QStringLiteral("API/get-info-songs.php?id=") + identifierValue(trackId);
}

QString randomTrack(const QString &siteAddress)
{
    return siteAddress + QStringLiteral("API/get-info-random-songs.php");
}

QString account(const QString &baseAddress, const QString &login, const QString &password)
{
    return baseAddress + QStringLiteral("/API/account.php?login=") + queryValue(login)
        + QStringLiteral("&password=") + queryValue(password);
}

QString developersFeed(const QString &baseAddress)
{
    return baseAddress + QStringLiteral("/API/developers.php");
}

QString newsFeed(const QString &serviceHostOrigin)
{
    return serviceHostOrigin + QStringLiteral("/API/lastnews.php");
}

QString directPlayerPage(const QString &serviceHostOrigin)
{
    return serviceHostOrigin + QStringLiteral("/app-version/music/");
}

QString trackLookup(const QString &serviceHostOrigin, const QString &trackId)
{
    return serviceHostOrigin + QStringLiteral("/API/test1.php?id=") + queryValue(trackId);
}

QString searchPage(const QString &serviceHostOrigin)
{
    return serviceHostOrigin + QStringLiteral("/app-version/search");
}

QString shareLink(const QString &serviceHostOrigin, const std::optional<QString> &trackId)
{
    return serviceHostOrigin + QStringLiteral("/music/play?id=") + identifierValue(trackId);
}

} // namespace Endpoints
