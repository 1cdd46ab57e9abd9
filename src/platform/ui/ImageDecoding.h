#pragma once

#include <QByteArray>
#include <QImage>

// Decodes image bytes; a null image when they are not an image or would
// need more memory than a picture may take.
QImage decodeImage(const QByteArray &bytes);
