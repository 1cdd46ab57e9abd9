#pragma once

#include <QVector>
#include <QtGlobal>

// What a sound server's output played, as heard at its monitor: mono 16-bit
// samples, each placed on the monotonic clock (nanoseconds, as
// QElapsedTimer and SoundServer::nowNs count).
struct SoundRecording
{
    static constexpr int kRate = 48000;
    // Louder than this is sound; the quietest note of a track is far above.
    static constexpr int kThreshold = 200;

    QVector<qint16> samples;
    // When sample 0 was played.
    qint64 startNs = 0;

    qint64 timeOfNs(qsizetype index) const { return startNs + index * 1000000000LL / kRate; }
    qsizetype indexAtNs(qint64 ns) const;
    double durationMs() const { return samples.size() * 1000.0 / kRate; }

    // Milliseconds from clockNs to the first sound after it; -1 if none.
    double msToFirstSoundAfter(qint64 clockNs) const;
    // Milliseconds from clockNs to where the sound stops (the first 10 ms
    // of silence after it); -1 if it never does.
    double msToSilenceAfter(qint64 clockNs) const;
    // Milliseconds of sound between two clock times.
    double soundMs(qint64 fromNs, qint64 toNs) const;
    // The longest run of silence between the first and the last sound in
    // [fromNs, toNs), in milliseconds: a gap, a break.
    double longestSilenceWithinMs(qint64 fromNs, qint64 toNs) const;

    // The pitch of a steady tone heard in the 20 ms from clockNs, in Hz
    // (from its zero crossings); 0 where nothing sounds.
    double frequencyAt(qint64 clockNs, int windowMs = 20) const;
    // Milliseconds of a tone within 3 % of hz between two clock times,
    // counted in 10-ms windows.
    double toneMs(double hz, qint64 fromNs, qint64 toNs) const;
    // When a tone within 3 % of hz is first heard after clockNs; -1: never.
    qint64 firstToneAfterNs(double hz, qint64 clockNs) const;
    // When it is heard for sure: the end of the first 10 ms after clockNs
    // that hold nothing else, looked for to the millisecond (a latency
    // measured to it is never too short); -1: never.
    qint64 toneHeardByNs(double hz, qint64 clockNs) const;
};
