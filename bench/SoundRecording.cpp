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
