#include "platform/ui/ImageDecoding.h"

#include <QBuffer>
#include <QImageReader>

namespace {
// Decoded pictures are at most this large (in MiB of pixels).
constexpr int kAllocationLimitMiB = 128;
} // namespace

QImage decodeImage(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMiB);
    return reader.read();
}
