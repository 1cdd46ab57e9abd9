#include "platform/net/ContentRange.h"

namespace {

// A decimal number of at most 18 digits (no sign, no spaces), or -1.
qint64 number(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 18)
        return -1;
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

ContentRange ContentRange::parse(const QByteArray &header)
{
    const QByteArray value = header.trimmed();
    if (!value.startsWith("bytes "))
        return ContentRange();
    const QByteArray part = value.mid(6).trimmed();
    const qsizetype dash = part.indexOf('-');
    const qsizetype slash = part.indexOf('/');
    if (dash <= 0 || slash < dash)
        return ContentRange();
    ContentRange range;
    range.first = number(part.left(dash));
    range.last = number(part.mid(dash + 1, slash - dash - 1));
    const QByteArray total = part.mid(slash + 1);
    range.total = total == "*" ? -1 : number(total);
    const bool totalBad = total != "*" && range.total < 0;
    if (range.first < 0 || range.last < range.first || totalBad || (range.total >= 0 && range.last >= range.total))
        return ContentRange();
    return range;
}
