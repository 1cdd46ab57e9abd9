#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Watches how long the thread it lives on leaves its events waiting: a
// heartbeat every 10 ms, whose lateness is a stall. Nested event loops keep
// it beating, so only real blocking counts.
class StallMonitor : public QObject
{
    Q_OBJECT

public:
    static constexpr int kBeatMs = 10;

    explicit StallMonitor(QObject *parent = nullptr);

    // Starts (again) from no stall.
    void start();
    void stop();
    // The longest time between two beats beyond the beat itself.
    double longestStallMs() const;

private:
    void beat();

    QTimer m_heartbeat;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
};
