#pragma once

#include <QWebEngineUrlSchemeHandler>

class QWebEngineProfile;

// In-page links use the scheme "kavu". The engine must know the scheme so
// that every navigation to it, clicked or started by script, reaches the web
// view's delegate; the delegate refuses them, and should one get through to
// the network side, this handler fails it.
class KavuSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void requestStarted(QWebEngineUrlRequestJob *job) override;

    // Must run before the QApplication is created.
    static void registerScheme();
    // Installs a handler on the profile (once per profile).
    static void install(QWebEngineProfile *profile);
};
