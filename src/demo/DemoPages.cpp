#include "demo/DemoPages.h"

namespace DemoPages {

QByteArray page(const QString &title, const QString &bodyHtml)
{
    const QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width\">"
        "<title>%1</title>"
        "<style>body{font-family:sans-serif;margin:16px;background:#fafafa;color:#222}"
        "h1{font-size:22px}a{display:block;padding:10px 0;color:#0a58ca;font-size:17px;"
        "text-decoration:none;border-bottom:1px solid #ddd}</style>"
        "</head><body><h1>%1</h1>%2</body></html>\n")
                             .arg(title.toHtmlEscaped(), bodyHtml);
    return html.toUtf8();
}

QByteArray musicStartPage()
{
    return page(QStringLiteral("Музыка"), QStringLiteral("<p>Демо-каталог Kavu.</p>"));
}

QByteArray albumsStartPage()
{
    return page(QStringLiteral("Альбомы"), QStringLiteral("<p>Альбомы демо-каталога.</p>"));
}

} // namespace DemoPages
