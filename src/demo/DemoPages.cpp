#include "demo/DemoPages.h"

#include "demo/DemoCatalogue.h"

#include <QUrl>

namespace DemoPages {
namespace {

QString trackLink(const DemoTrack &track)
{
    return QStringLiteral("<a class=\"track\" href=\"kavu://music?id=%1\">%2 <span>%3</span></a>")
        .arg(QString::number(track.id), track.title.toHtmlEscaped(), track.artist.toHtmlEscaped());
}

QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

QByteArray page(const QString &title, const QString &bodyHtml)
{
    const QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width\">"
        "<title>%1</title>"
        "<style>body{font-family:'DejaVu Sans',sans-serif;margin:0;padding:12px 16px;"
        "background:#fafafa;color:#222}h1{font-size:22px;margin:8px 0 12px}"
        "a{display:block;padding:12px 4px;color:#0a58ca;font-size:17px;text-decoration:none;"
        "border-bottom:1px solid #ddd}a span{display:block;color:#666;font-size:14px}"
        "p{color:#555}</style>"
        "</head><body><h1>%1</h1>%2</body></html>\n")
                             .arg(title.toHtmlEscaped(), bodyHtml);
    return html.toUtf8();
}

QByteArray musicStartPage()
{
    QString body = QStringLiteral("<p>Демо-каталог Kavu: нажмите на трек, чтобы слушать.</p>");
    for (const DemoTrack &track : DemoCatalogue::tracks())
        body += trackLink(track);
    body += QStringLiteral("<a id=\"about\" href=\"kavu://alert?name=%1&amp;text=%2\">О каталоге</a>")
                .arg(encoded(QStringLiteral("О каталоге")),
                     encoded(QStringLiteral("Восемь демо-треков Kavu, сгенерированных в коде.")));
    return page(QStringLiteral("Музыка"), body);
}

QByteArray albumsStartPage()
{
    QString body;
    for (const DemoAlbum &album : DemoCatalogue::albums())
        body += QStringLiteral("<a class=\"album\" href=\"%1/\">%2 <span>%3</span></a>")
                    .arg(QString::number(album.id), album.title.toHtmlEscaped(),
                         album.artist.toHtmlEscaped());
    return page(QStringLiteral("Альбомы"), body);
}

QByteArray albumPage(int albumId)
{
    const DemoAlbum *album = DemoCatalogue::album(albumId);
    if (!album)
        return QByteArray();
    QString body = QStringLiteral("<p>%1</p>").arg(album->artist.toHtmlEscaped());
    for (const DemoTrack &track : DemoCatalogue::tracksOfAlbum(albumId))
        body += trackLink(track);
    return page(album->title, body);
}

QByteArray directPlayerPage()
{
    QString body = QStringLiteral("<p>Выберите трек: он загрузится целиком и заиграет.</p>");
    for (const DemoTrack &track : DemoCatalogue::tracks())
        body += trackLink(track);
    return page(QStringLiteral("Плеер"), body);
}

QByteArray searchPage()
{
    QString items;
    for (const DemoTrack &track : DemoCatalogue::tracks())
        items += QStringLiteral("<li data-text=\"%1\">%2</li>")
                     .arg((track.title + QLatin1Char(' ') + track.artist).toLower().toHtmlEscaped(),
                          trackLink(track));
    const QString body = QStringLiteral(
        "<input id=\"query\" type=\"search\" placeholder=\"Поиск по каталогу\" autofocus "
        "style=\"width:100%;font-size:17px;padding:8px;box-sizing:border-box\">"
        "<ul id=\"results\" style=\"list-style:none;padding:0\">%1</ul>"
        "<p id=\"none\" hidden>Ничего не найдено.</p>"
        "<script>"
        "var query=document.getElementById('query');"
        "query.addEventListener('input',function(){"
        "var q=query.value.trim().toLowerCase(),shown=0;"
        "document.querySelectorAll('#results li').forEach(function(li){"
        "var hit=li.dataset.text.indexOf(q)>=0;li.hidden=!hit;if(hit)shown++;});"
        "document.getElementById('none').hidden=shown>0;});"
        "</script>")
                             .arg(items);
    return page(QStringLiteral("Поиск"), body);
}

QByteArray newsText()
{
    return QStringLiteral(
               "Новости Kavu\n"
               "\n"
               "7 декабря: в каталоге восемь новых демо-треков.\n"
               "Радио теперь играет случайные треки без пауз.\n"
               "\n"
               "Kavu news\n"
               "The player now shows what plays on your desktop.\n")
        .toUtf8();
}

QByteArray developersText()
{
    return QStringLiteral(
               "Разработчики\n"
               "Команда Kavu\n"
               "Developers: the Kavu team\n")
        .toUtf8();
}

} // namespace DemoPages
