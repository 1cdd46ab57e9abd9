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

} // namespace SiteAddress
