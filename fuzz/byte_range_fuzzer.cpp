// The demo service's Range header handling. Input: four bytes of resource
// size, then the header.
#include "demo/ByteRange.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    uint32_t resource = 0;
    std::memcpy(&resource, data, 4);
    const qint64 length = qint64(resource % (1u << 30));
    const QByteArray header(reinterpret_cast<const char *>(data) + 4, qsizetype(size - 4));
    const ByteRange range = ByteRange::parse(header, length);
    switch (range.kind) {
    case ByteRange::Kind::Partial:
        // A partial answer lies inside the resource and is not empty.
        if (range.first < 0 || range.first > range.last || range.last >= length)
            abort();
        break;
    case ByteRange::Kind::Whole:
        if (range.first != 0 || range.last != length - 1)
            abort();
        break;
    case ByteRange::Kind::Unsatisfiable:
        break;
    }
    return 0;
}
