#pragma once

class QNetworkProxy;
class QString;

// Streams follow the proxy settings that Kavu's own requests use.
// GStreamer's HTTP source reads http_proxy by itself, for https addresses
// too, and knows nothing of no_proxy; so every source a media player sets
// up is given the proxy that Qt's proxy settings name for its address, or
// a direct connection.
namespace StreamProxy {

// From now on, for every media player in the process. Safe to call from
// any thread, any number of times.
void install();

// The proxy as GStreamer's HTTP source takes it: its address, or
// "direct://" for none.
QString sourceProxyAddress(const QNetworkProxy &proxy);

} // namespace StreamProxy
