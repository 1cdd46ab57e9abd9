#pragma once

#include <QLoggingCategory>
#include <QString>

// The application's system log. Every line the screens write goes through
// systemLog() under the category "kavu", at info level.
Q_DECLARE_LOGGING_CATEGORY(lcKavu)

void systemLog(const QString &line);
