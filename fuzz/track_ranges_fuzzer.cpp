// What a track's download makes of the server's Content-Range header, and
// the set of byte ranges that have come, against a plain bitmap. Input: a
// header line, then pairs of bytes (start, length) of ranges that come.
#include "platform/media/ByteRanges.h"
#include "platform/net/ContentRange.h"

#include <QByteArray>

#include <bitset>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    const ContentRange range = ContentRange::parse(newline < 0 ? input : input.left(newline));
    if (range.isValid() && (range.first < 0 || range.last < range.first || (range.total >= 0 && range.last >= range.total)))
        abort();
    if (!range.isValid() && (range.first != -1 || range.last != -1 || range.total != -1))
        abort();
    if (newline < 0)
        return 0;

    ByteRanges ranges;
    std::bitset<512> model;
    for (qsizetype i = newline + 1; i + 1 < input.size(); i += 2) {
        const qint64 start = quint8(input.at(i));
        const qint64 end = qMin<qint64>(512, start + quint8(input.at(i + 1)) % 64);
        ranges.add(start, end);
        for (qint64 b = start; b < end; ++b)
            model.set(size_t(b));
    }
    if (ranges.total() != qint64(model.count()))
        abort();
    for (qint64 offset = 0; offset < 512; ++offset) {
        qint64 missing = offset;
        while (missing < 512 && model.test(size_t(missing)))
            ++missing;
        if (ranges.firstMissing(offset) != missing)
            abort();
        if (ranges.contains(offset, missing) != true)
            abort();
        qint64 next = offset + 1;
        while (next < 512 && !(model.test(size_t(next)) && !model.test(size_t(next - 1))))
            ++next;
        if (!model.test(size_t(offset)) && ranges.nextArrived(offset, 512) != next)
            abort();
    }
    return 0;
}
