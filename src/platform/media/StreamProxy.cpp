#include "platform/media/StreamProxy.h"

#include <QList>
#include <QNetworkProxy>
#include <QString>
#include <QUrl>

#include <gst/gst.h>

#include <mutex>

namespace {

bool hasProperty(GObject *object, const char *name)
{
    return g_object_class_find_property(G_OBJECT_GET_CLASS(object), name) != nullptr;
}

// Runs on whichever thread the decoder sets up its source, before the
// source connects.
gboolean sourceSetUp(GSignalInvocationHint *, guint count, const GValue *values, gpointer)
{
    if (count < 2 || !G_VALUE_HOLDS_OBJECT(&values[1]))
        return TRUE;
    auto *source = G_OBJECT(g_value_get_object(&values[1]));
    if (!source || !hasProperty(source, "proxy") || !hasProperty(source, "location"))
        return TRUE;
    gchar *location = nullptr;
    g_object_get(source, "location", &location, nullptr);
    const QUrl url(QString::fromUtf8(location));
    g_free(location);
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
    const QNetworkProxy proxy = proxies.value(0, QNetworkProxy(QNetworkProxy::NoProxy));
    g_object_set(source, "proxy", StreamProxy::sourceProxyAddress(proxy).toUtf8().constData(), nullptr);
    if (!proxy.user().isEmpty() && hasProperty(source, "proxy-id")) {
        g_object_set(source, "proxy-id", proxy.user().toUtf8().constData(), "proxy-pw",
                     proxy.password().toUtf8().constData(), nullptr);
    }
    return TRUE; // stays for the next source
}

} // namespace

void StreamProxy::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        // Qt's players decode through uridecodebin; its "source-setup"
        // names each source it makes.
        GstElementFactory *factory = gst_element_factory_find("uridecodebin");
        if (!factory)
            return;
        auto *loaded = GST_ELEMENT_FACTORY(gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory)));
        gst_object_unref(factory);
        if (!loaded)
            return;
        const GType type = gst_element_factory_get_element_type(loaded);
        // The class stays referenced, so that the hook stays valid.
        g_type_class_ref(type);
        gst_object_unref(loaded);
        const guint signal = g_signal_lookup("source-setup", type);
        if (signal != 0)
            g_signal_add_emission_hook(signal, 0, sourceSetUp, nullptr, nullptr);
    });
}

QString StreamProxy::sourceProxyAddress(const QNetworkProxy &proxy)
{
    QString scheme;
    switch (proxy.type()) {
    case QNetworkProxy::HttpProxy:
    case QNetworkProxy::HttpCachingProxy:
        scheme = QStringLiteral("http");
        break;
    case QNetworkProxy::Socks5Proxy:
        scheme = QStringLiteral("socks5");
        break;
    default:
        return QStringLiteral("direct://");
    }
    QUrl address;
    address.setScheme(scheme);
    address.setHost(proxy.hostName());
    address.setPort(proxy.port());
    return address.toString();
}
