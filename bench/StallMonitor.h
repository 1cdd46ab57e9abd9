#pragma once

#include <QElapsedTimer>
#include <QList>
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

    // While one exists, the benchmark's own blocking work (encoding tracks,
    // restarting the sound server with its tools) runs on the thread: no
    // running monitor counts that time as a stall.
    class OwnWork
    {
    public:
        OwnWork();
        ~OwnWork();
        OwnWork(const OwnWork &) = delete;
        OwnWork &operator=(const OwnWork &) = delete;
    };

private:
    void beat();

    QTimer m_heartbeat;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
    static inline QList<StallMonitor *> s_running;
};
