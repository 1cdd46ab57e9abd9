#pragma once

#include <QString>

#include <optional>

// Where the catalogue lives: the address the user stored in the settings
// dialog, or the built-in default site address.
namespace SiteAddress {

// The site address: the stored text (or the default when nothing is stored)
// with one "/" appended unless it already ends in "/". Nothing else is done
// to the text: white space and case are kept, an empty string becomes "/".
QString resolve(const std::optional<QString> &stored, const QString &defaultSiteAddress);

// The base address: the stored text or the default, used unchanged.
QString base(const std::optional<QString> &stored, const QString &defaultSiteAddress);

// What the user's text stores, as the settings dialog takes it: the text
// itself, or the default site address for an empty text.
QString fromUserText(const QString &text, const QString &defaultSiteAddress);

// The longest address that may be stored from outside the settings dialog
// (the command line, another process); far above any real site's.
inline constexpr qsizetype kMaxStoredLength = 2048;

// Whether an address to store leads anywhere: at most kMaxStoredLength
// characters, and the site address it resolves to is an http or https URL
// with a host, with nothing that cannot stand in a URL (white space,
// control characters, non-ASCII letters).
bool isUsable(const QString &address);

} // namespace SiteAddress
