// The in-page link query parser, on any text.
#include "protocol/QueryString.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString query = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QHash<QString, QString> parsed = QueryString::parse(query);
    for (auto it = parsed.cbegin(); it != parsed.cend(); ++it) {
        // A pair came from a piece of the query: its key holds no "&", and
        // neither does the value unless it was escaped.
        if (!query.contains(QLatin1Char('%')) && (it.key().contains(QLatin1Char('&'))
                                                  || it.value().contains(QLatin1Char('&'))))
            abort();
    }
    // Parsing is a function of the text: the same query gives the same map.
    if (QueryString::parse(query) != parsed)
        abort();
    return 0;
}
