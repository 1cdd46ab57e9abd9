#include "platform/web/KavuSchemeHandler.h"

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace {
const QByteArray kScheme = QByteArrayLiteral("kavu");
}

void KavuSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
}

void KavuSchemeHandler::registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(kScheme).name() == kScheme)
        return;
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void KavuSchemeHandler::install(QWebEngineProfile *profile)
{
    if (profile->urlSchemeHandler(kScheme))
        return;
    profile->installUrlSchemeHandler(kScheme, new KavuSchemeHandler(profile));
}
