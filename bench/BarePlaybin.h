#pragma once

#include <QString>

#include <atomic>
#include <memory>

// A bare GStreamer playbin playing an address into the desktop's sound
// server: the floor that Kavu's figures stand beside. It streams with
// GStreamer's own HTTP source, on a connection of its own, and plays next
// without a gap when given (set on "about-to-finish", as players that
// drive playbin themselves do). It is built, played and torn down on a
// thread of its own, so that the benchmark's GUI thread never waits for it.
class BarePlaybin
{
public:
    // It looks at its position every pollMs (a measurement of its CPU asks
    // for seldom looks).
    explicit BarePlaybin(const QString &uri, const QString &next = QString(), int pollMs = 10);
    // Stops it; the teardown goes on on its thread.
    ~BarePlaybin();

    // When it was set playing (SoundServer::nowNs), once it was.
    qint64 startedNs() const { return m_state->startedNs; }
    double positionSeconds() const { return m_state->positionMs / 1000.0; }
    // It reached its end or failed.
    bool isFinished() const { return m_state->finished; }

    struct State
    {
        QString uri;
        QString next;
        std::atomic<qint64> startedNs{0};
        std::atomic<qint64> positionMs{0};
        std::atomic<bool> finished{false};
        std::atomic<bool> stop{false};
        std::atomic<bool> nextSet{false};
        int pollMs = 10;
    };

private:
    std::shared_ptr<State> m_state;
};
