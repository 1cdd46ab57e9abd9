#pragma once

#include <QByteArray>
#include <QString>

// The pages of the demo catalogue site, as UTF-8 HTML with a declared
// charset.
namespace DemoPages {

QByteArray page(const QString &title, const QString &bodyHtml);
QByteArray musicStartPage();
QByteArray albumsStartPage();

} // namespace DemoPages
