#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The in-page link protocol: a page asks the application for a service with
// a link of the scheme "kavu" whose host names the service.
namespace InPageLink {

enum class Host { None, Alert, Music };

// Which service a scheme and host name; both compare exactly, case included.
Host classify(const QString &scheme, const QString &host);
Host classify(const QUrl &url);

// The link's query as written (still escaped), absent when there is no "?".
std::optional<QString> rawQuery(const QUrl &url);

} // namespace InPageLink
