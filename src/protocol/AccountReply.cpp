#include "protocol/AccountReply.h"

#include "platform/net/UrlText.h"

namespace AccountReply {

std::optional<QStringList> fields(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(QLatin1Char(','));
    if (parts.size() < 3)
        return std::nullopt;
    return parts;
}

std::optional<QUrl> pictureUrl(const QString &field)
{
    return webUrlWithString(field);
}

QString cacheFileName(const QUrl &url)
{
    QString name = url.toString(QUrl::FullyEncoded);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

} // namespace AccountReply
