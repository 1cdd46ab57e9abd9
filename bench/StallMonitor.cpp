#include "StallMonitor.h"

StallMonitor::StallMonitor(QObject *parent)
    : QObject(parent)
{
    m_heartbeat.setTimerType(Qt::PreciseTimer);
    m_heartbeat.setInterval(kBeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &StallMonitor::beat);
}

void StallMonitor::start()
{
    m_longestNs = 0;
    m_clock.start();
    m_lastNs = 0;
    m_heartbeat.start();
    if (!s_running.contains(this))
        s_running.append(this);
}

void StallMonitor::stop()
{
    beat();
    m_heartbeat.stop();
    s_running.removeAll(this);
}

StallMonitor::OwnWork::OwnWork()
{
    for (StallMonitor *monitor : std::as_const(s_running))
        monitor->beat();
}

StallMonitor::OwnWork::~OwnWork()
{
    // The time it took is no one's stall: the next beat counts from now.
    for (StallMonitor *monitor : std::as_const(s_running))
        monitor->m_lastNs = monitor->m_clock.nsecsElapsed();
}

double StallMonitor::longestStallMs() const
{
    return m_longestNs / 1e6;
}

void StallMonitor::beat()
{
    if (!m_heartbeat.isActive())
        return;
    const qint64 now = m_clock.nsecsElapsed();
    m_longestNs = qMax(m_longestNs, now - m_lastNs - qint64(kBeatMs) * 1000000);
    m_lastNs = now;
}
