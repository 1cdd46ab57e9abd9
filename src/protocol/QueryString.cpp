#include "protocol/QueryString.h"

#include "platform/net/TextDecoding.h"

#include <QStringList>

namespace QueryString {
namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

std::optional<QString> percentUnescape(const QString &text)
{
    QByteArray bytes;
    const QByteArray utf8 = text.toUtf8();
    bytes.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8.at(i) != '%') {
            bytes.append(utf8.at(i));
            continue;
        }
        if (i + 2 >= utf8.size())
            return std::nullopt;
        const int high = hexValue(QLatin1Char(utf8.at(i + 1)));
        const int low = hexValue(QLatin1Char(utf8.at(i + 2)));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    return decodeUtf8(bytes);
}

QHash<QString, QString> parse(const std::optional<QString> &query)
{
    QHash<QString, QString> result;
    if (!query)
        return result;
    const QStringList pieces = query->split(QLatin1Char('&'));
    for (const QString &piece : pieces) {
        const QStringList parts = piece.split(QLatin1Char('='));
        if (parts.size() < 2)
            continue;
        const std::optional<QString> key = percentUnescape(parts.at(0));
        const std::optional<QString> value = percentUnescape(parts.at(1));
        if (!key || !value)
            continue;
        result.insert(*key, *value);
    }
    return result;
}

} // namespace QueryString
