#include "demo/ByteRange.h"

#include <limits>

namespace {

// A run of decimal digits; false for anything else or a value that overflows.
bool parseNumber(const QByteArray &text, qint64 &value)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

ByteRange ByteRange::parse(const QByteArray &header, qint64 size)
{
    ByteRange whole;
    whole.first = 0;
    whole.last = size - 1;

    const QByteArray text = header.trimmed();
    if (!text.startsWith("bytes="))
        return whole;
    const QByteArray ranges = text.mid(6).trimmed();
    if (ranges.contains(','))
        return whole;
    const int dash = ranges.indexOf('-');
    if (dash < 0)
        return whole;
    const QByteArray start = ranges.left(dash).trimmed();
    const QByteArray end = ranges.mid(dash + 1).trimmed();

    ByteRange range;
    range.kind = Kind::Partial;
    if (start.isEmpty()) {
        // The last n bytes.
        qint64 suffix = 0;
        if (!parseNumber(end, suffix))
            return whole;
        if (suffix == 0 || size == 0) {
            range.kind = Kind::Unsatisfiable;
            return range;
        }
        range.first = qMax<qint64>(0, size - suffix);
        range.last = size - 1;
        return range;
    }
    qint64 first = 0;
    if (!parseNumber(start, first))
        return whole;
    qint64 last = size - 1;
    if (!end.isEmpty()) {
        if (!parseNumber(end, last) || last < first)
            return whole;
        last = qMin(last, size - 1);
    }
    if (first >= size) {
        range.kind = Kind::Unsatisfiable;
        return range;
    }
    range.first = first;
    range.last = last;
    return range;
}
