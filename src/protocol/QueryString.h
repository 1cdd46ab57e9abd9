#pragma once

#include <QHash>
#include <QString>

#include <optional>

// The query of an in-page link as a map of keys to values.
namespace QueryString {

// Splits the query at every "&" and each piece at "=" into key and value
// (further "=" parts are dropped); both are percent-unescaped as UTF-8 and a
// "+" stays a "+". A later key replaces an earlier one. A piece without "="
// is skipped, and so is a pair whose key or value does not unescape to valid
// UTF-8. An absent query gives the empty map.
QHash<QString, QString> parse(const std::optional<QString> &query);

// Replaces every %XX escape by its byte and reads the bytes as UTF-8; no
// text for a "%" without two hexadecimal digits or for invalid UTF-8.
std::optional<QString> percentUnescape(const QString &text);

} // namespace QueryString
