#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// The account reply: comma-separated fields, untrimmed, empty ones kept;
// field 2 names the background picture and field 3 the icon.
namespace AccountReply {

// The fields, or none when the body is no text or has fewer than three.
std::optional<QStringList> fields(const std::optional<QString> &text);

// The picture address of a field, when it is an http(s) URL.
std::optional<QUrl> pictureUrl(const QString &field);

// The name of the background picture's cache file: the URL's text with every
// "/" replaced by "_".
QString cacheFileName(const QUrl &url);

} // namespace AccountReply
