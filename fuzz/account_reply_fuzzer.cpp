// The account reply's split and the picture cache's file name, on any bytes.
#include "protocol/AccountReply.h"
#include "platform/net/TextDecoding.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QString> text = decodeUtf8(bytes);
    const std::optional<QStringList> fields = AccountReply::fields(text);
    if (!fields)
        return 0;
    // The fields are the text, cut at every ",", nothing lost or trimmed.
    if (fields->size() < 3 || fields->join(QLatin1Char(',')) != *text)
        abort();
    for (int index : {1, 2}) {
        const std::optional<QUrl> url = AccountReply::pictureUrl(fields->at(index));
        if (!url)
            continue;
        // A cache file name never leads into another directory.
        const QString name = AccountReply::cacheFileName(*url);
        if (name.contains(QLatin1Char('/')) || name == QLatin1String("..") || name.isEmpty())
            abort();
    }
    return 0;
}
