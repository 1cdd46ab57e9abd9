#pragma once

#include <QString>

// Texts that come from servers and pages are shown cut to a length, so that
// a megabyte-long title or name is never laid out whole. Lengths are in
// UTF-16 code units; a cut text ends in "…" and stays within the length.
namespace RemoteText {
// A song or artist name, a page title, an alert's title.
inline constexpr qsizetype kMaxNameLength = 200;
// An alert's message.
inline constexpr qsizetype kMaxMessageLength = 2000;

// The text itself when it fits; otherwise its start and "…", never cutting
// a surrogate pair in two.
QString cut(const QString &text, qsizetype maxLength);
} // namespace RemoteText
