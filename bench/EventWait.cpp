#include "EventWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace EventWait {

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QElapsedTimer clock;
    clock.start();
    bool held = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            held = true;
            loop.quit();
        } else if (clock.elapsed() > timeoutMs) {
            loop.quit();
        }
    });
    tick.start();
    loop.exec();
    return held;
}

void settle(int ms)
{
    // One timer for the whole wait: an idle measurement runs in here.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace EventWait
