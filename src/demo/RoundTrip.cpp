#include "demo/RoundTrip.h"

namespace RoundTrip {

qint64 responseDelayMs(qint64 roundTripMs, qint64 connectionAgeMs, bool firstResponse)
{
    if (roundTripMs <= 0)
        return 0;
    const qint64 handshakesLeft = firstResponse ? qMax<qint64>(0, 2 * roundTripMs - qMax<qint64>(0, connectionAgeMs)) : 0;
    return roundTripMs + handshakesLeft;
}

} // namespace RoundTrip
