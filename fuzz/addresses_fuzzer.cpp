// The site and base address rules and the addresses built on them. Input:
// a stored address, a line break, then an identifier (or a login and a
// password split at the next line break).
#include "protocol/Endpoints.h"
#include "protocol/SiteAddress.h"
#include "platform/net/UrlText.h"


#include <cstdint>
#include <cstdlib>

namespace {

// The query of a built address as a server reads it: pairs split at "&"
// and the first "=", each side percent-decoded.
QList<QPair<QString, QString>> serverQuery(const QUrl &url)
{
    QList<QPair<QString, QString>> pairs;
    for (const QString &piece : url.query(QUrl::FullyEncoded).split(QLatin1Char('&'))) {
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        pairs.append({QUrl::fromPercentEncoding(piece.left(equals).toLatin1()),
                      QUrl::fromPercentEncoding(piece.mid(equals + 1).toLatin1())});
    }
    return pairs;
}

using Pairs = QList<QPair<QString, QString>>;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList parts = input.split(QLatin1Char('\n'));
    const std::optional<QString> stored =
        parts.at(0) == QLatin1String("-") ? std::nullopt : std::optional<QString>(parts.at(0));
    const QString id = parts.value(1);
    const QString password = parts.value(2);
    const QString fallback = QStringLiteral("https://catalogue.test/kavu");

    const QString site = SiteAddress::resolve(stored, fallback);
    const QString base = SiteAddress::base(stored, fallback);
    if (!site.endsWith(QLatin1Char('/')) || base != stored.value_or(fallback))
        abort();
    if (!site.startsWith(base) || site.size() > base.size() + 1)
        abort();

    // Whatever an identifier, login or password holds, the address keeps
    // exactly the parameters it was built with, with the values as given.
    const std::optional<QUrl> track = urlWithString(Endpoints::trackInfo(fallback + QLatin1Char('/'), id));
    if (!track || serverQuery(*track) != Pairs{{QStringLiteral("id"), id}})
        abort();
    const std::optional<QUrl> account = urlWithString(Endpoints::account(fallback, id, password));
    if (!account
        || serverQuery(*account) != Pairs{{QStringLiteral("login"), id}, {QStringLiteral("password"), password}})
        abort();
    const std::optional<QUrl> lookup = urlWithString(Endpoints::trackLookup(QStringLiteral("https://s.test"), id));
    if (!lookup || serverQuery(*lookup) != Pairs{{QStringLiteral("id"), id}})
        abort();

    // A URL made from text reads back as a URL that makes the same URL.
    if (const std::optional<QUrl> url = urlWithString(input)) {
        const std::optional<QUrl> again = urlWithString(url->toString(QUrl::FullyEncoded));
        if (!again || *again != *url)
            abort();
    }
    return 0;
}
