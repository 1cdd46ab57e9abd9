#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads bytes as UTF-8; no text when they are not valid UTF-8. A leading
// byte order mark is not part of the text.
std::optional<QString> decodeUtf8(const QByteArray &bytes);
