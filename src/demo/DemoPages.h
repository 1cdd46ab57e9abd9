#pragma once

#include <QByteArray>
#include <QString>

// The pages of the demo catalogue site, as UTF-8 HTML with a declared
// charset. Tracks are in-page links "kavu://music?id=N".
namespace DemoPages {

QByteArray page(const QString &title, const QString &bodyHtml);
QByteArray musicStartPage();
QByteArray albumsStartPage();
// The page of one album, or an empty array for an unknown album.
QByteArray albumPage(int albumId);
// The service's direct player page: every track as a link to look up.
QByteArray directPlayerPage();
// The service's search page: the catalogue filtered as the user types.
QByteArray searchPage();

// The news and developers feeds: plain UTF-8 texts of several lines.
QByteArray newsText();
QByteArray developersText();

} // namespace DemoPages
