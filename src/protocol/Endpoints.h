#pragma once

#include <QString>

#include <optional>

// Every web address the application requests or shows, built from the site
// address (always ending in "/"), the base address (used as stored) or the
// service host's origin. Values that go into a query are percent-encoded, so
// that no value can change or add parameters; an absent track identifier is
// written as "(null)", which the servers expect.
namespace Endpoints {

QString musicStartPage(const QString &siteAddress, const QString &version);
QString albumsStartPage(const QString &siteAddress, const QString &version);

QString trackInfo(const QString &siteAddress, const std::optional<QString> &trackId);
QString randomTrack(const QString &siteAddress);

QString account(const QString &baseAddress, const QString &login, const QString &password);
QString developersFeed(const QString &baseAddress);

QString newsFeed(const QString &serviceHostOrigin);
QString directPlayerPage(const QString &serviceHostOrigin);
QString trackLookup(const QString &serviceHostOrigin, const QString &trackId);
QString searchPage(const QString &serviceHostOrigin);
QString shareLink(const QString &serviceHostOrigin, const std::optional<QString> &trackId);

// A value as it stands in a query: every byte but the unreserved characters
// percent-encoded (UTF-8).
QString queryValue(const QString &value);
// An identifier for a query: encoded, or "(null)" when absent.
QString identifierValue(const std::optional<QString> &trackId);

} // namespace Endpoints
