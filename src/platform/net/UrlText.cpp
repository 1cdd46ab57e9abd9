#include "platform/net/UrlText.h"

#include <cctype>

std::optional<QUrl> urlWithString(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    static const QString kForbidden = QStringLiteral("\"<>\\^`{|}");
    for (const QChar c : text) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || kForbidden.contains(c))
            return std::nullopt;
    }
    // A fragment ends the URL: a second "#" cannot stand in it.
    if (text.count(QLatin1Char('#')) > 1)
        return std::nullopt;
    // A "%" must start an escape of two hexadecimal digits.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('%'))
            continue;
        if (i + 2 >= text.size() || !isxdigit(text.at(i + 1).toLatin1())
            || !isxdigit(text.at(i + 2).toLatin1()))
            return std::nullopt;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::optional<QUrl> webUrlWithString(const QString &text)
{
    std::optional<QUrl> url = urlWithString(text);
    if (!url)
        return std::nullopt;
    const QString scheme = url->scheme();
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url->host().isEmpty())
        return std::nullopt;
    return url;
}
