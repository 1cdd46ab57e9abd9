#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Makes a URL from text the way a strict URL parser does: text that holds
// white space, control characters, characters outside ASCII or characters
// that may not stand in a URL does not form a URL. Nothing is escaped or
// trimmed.
std::optional<QUrl> urlWithString(const QString &text);

// Like urlWithString, but also requires an absolute http or https URL with
// a host: the only kind of address a server may send us to fetch.
std::optional<QUrl> webUrlWithString(const QString &text);
