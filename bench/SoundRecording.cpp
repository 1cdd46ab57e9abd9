#include "SoundRecording.h"

#include <cstdlib>

qsizetype SoundRecording::indexAtNs(qint64 ns) const
{
    const qint64 index = (ns - startNs) * kRate / 1000000000LL;
    return qBound<qint64>(0, index, samples.size());
}

double SoundRecording::msToFirstSoundAfter(qint64 clockNs) const
{
    for (qsizetype i = indexAtNs(clockNs); i < samples.size(); ++i) {
        if (std::abs(samples.at(i)) > kThreshold)
            return (timeOfNs(i) - clockNs) / 1e6;
    }
    return -1;
}

double SoundRecording::msToSilenceAfter(qint64 clockNs) const
{
    const qsizetype window = kRate / 100;
    qsizetype quiet = 0;
    for (qsizetype i = indexAtNs(clockNs); i < samples.size(); ++i) {
        quiet = std::abs(samples.at(i)) > kThreshold ? 0 : quiet + 1;
        if (quiet == window)
            return (timeOfNs(i - window + 1) - clockNs) / 1e6;
    }
    return -1;
}

double SoundRecording::soundMs(qint64 fromNs, qint64 toNs) const
{
    qint64 loud = 0;
    // Counted in 1-ms windows: a window with sound in it counts whole, so
    // that the zero crossings of a tone are no silence.
    const qsizetype window = kRate / 1000;
    const qsizetype end = indexAtNs(toNs);
    for (qsizetype i = indexAtNs(fromNs); i + window <= end; i += window) {
        for (qsizetype j = i; j < i + window; ++j) {
            if (std::abs(samples.at(j)) > kThreshold) {
                ++loud;
                break;
            }
        }
    }
    return double(loud);
}

double SoundRecording::longestSilenceWithinMs(qint64 fromNs, qint64 toNs) const
{
    const qsizetype begin = indexAtNs(fromNs);
    const qsizetype end = indexAtNs(toNs);
    qsizetype lastSound = -1;
    qsizetype longest = 0;
    for (qsizetype i = begin; i < end; ++i) {
        if (std::abs(samples.at(i)) <= kThreshold)
            continue;
        if (lastSound >= 0)
            longest = qMax(longest, i - lastSound - 1);
        lastSound = i;
    }
    return longest * 1000.0 / kRate;
}

double SoundRecording::frequencyAt(qint64 clockNs, int windowMs) const
{
    // The first and the last rising zero crossing in the window, placed
    // between their samples: the periods between them give the pitch.
    const qsizetype begin = indexAtNs(clockNs);
    const qsizetype end = qMin<qsizetype>(samples.size(), begin + kRate * windowMs / 1000);
    double first = -1;
    double last = -1;
    int crossings = 0;
    bool loud = false;
    for (qsizetype i = begin + 1; i < end; ++i) {
        loud = loud || std::abs(samples.at(i)) > kThreshold;
        const int a = samples.at(i - 1);
        const int b = samples.at(i);
        if (a < 0 && b >= 0) {
            const double at = double(i - 1) + double(-a) / double(b - a);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (!loud || crossings < 2)
        return 0;
    return (crossings - 1) * double(kRate) / (last - first);
}

double SoundRecording::toneMs(double hz, qint64 fromNs, qint64 toNs) const
{
    constexpr qint64 kWindowNs = 10000000;
    double heard = 0;
    for (qint64 at = fromNs; at + kWindowNs <= toNs; at += kWindowNs) {
        if (std::abs(frequencyAt(at) - hz) < hz * 0.03)
            heard += 10;
    }
    return heard;
}

qint64 SoundRecording::firstToneAfterNs(double hz, qint64 clockNs) const
{
    constexpr qint64 kStepNs = 2000000;
    for (qint64 at = clockNs; indexAtNs(at) + kRate / 50 < samples.size(); at += kStepNs) {
        if (std::abs(frequencyAt(at) - hz) < hz * 0.03)
            return at;
    }
    return -1;
}

qint64 SoundRecording::toneHeardByNs(double hz, qint64 clockNs) const
{
    constexpr qint64 kStepNs = 1000000;
    constexpr qint64 kWindowNs = 10000000;
    for (qint64 at = clockNs; indexAtNs(at + kWindowNs) < samples.size(); at += kStepNs) {
        if (std::abs(frequencyAt(at, 10) - hz) < hz * 0.03)
            return at + kWindowNs;
    }
    return -1;
}
