#pragma once

#include <QtGlobal>

// How late the demo service answers when it stands in for a distant server
// with a round-trip time R: each response's first byte leaves R after its
// request arrived, as the request and the answer each cross half the
// distance. A new connection first pays its TCP and TLS handshakes, one
// round trip each, counted from when the connection was accepted: a client
// that opened the connection ahead of its first request has paid them by
// then, or part of them.
namespace RoundTrip {

// The delay before the response to a request that arrived connectionAgeMs
// after its connection was accepted; firstResponse when no earlier request
// came on that connection.
qint64 responseDelayMs(qint64 roundTripMs, qint64 connectionAgeMs, bool firstResponse);

} // namespace RoundTrip
