#include "demo/DemoAudio.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <cmath>

namespace DemoAudio {
namespace {

void appendLE32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendLE16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

QByteArray header(quint32 dataBytes, int sampleRate = kSampleRate, int channels = 1)
{
    QByteArray out;
    out.append("RIFF");
    appendLE32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    appendLE32(out, 16);
    appendLE16(out, 1); // PCM
    appendLE16(out, quint16(channels));
    appendLE32(out, quint32(sampleRate));
    appendLE32(out, quint32(sampleRate * 2 * channels));
    appendLE16(out, quint16(2 * channels));
    appendLE16(out, 16);
    out.append("data");
    appendLE32(out, dataBytes);
    return out;
}

double noteFrequency(int semitonesFromA4)
{
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

} // namespace

int durationSeconds(int trackId)
{
    return 20 + (trackId * 7) % 21;
}

QByteArray wavOfLength(int seed, double seconds)
{
    const qint64 samples = qint64(seconds * kSampleRate);
    QByteArray out = header(quint32(samples * 2));
    out.reserve(out.size() + samples * 2);

    // A pentatonic tune: the seed picks the key, the tempo and the notes.
    static const int kScale[] = {0, 2, 4, 7, 9, 12, 14, 16};
    QRandomGenerator random(quint32(seed) * 2654435761u + 17u);
    const int key = -9 + int(random.bounded(7));
    const double beat = 0.22 + random.bounded(0.18);
    const qint64 beatSamples = qint64(beat * kSampleRate);

    double phase = 0;
    double bassPhase = 0;
    double frequency = noteFrequency(key);
    double bass = noteFrequency(key - 24);
    for (qint64 i = 0; i < samples; ++i) {
        const qint64 inBeat = i % beatSamples;
        if (inBeat == 0) {
            frequency = noteFrequency(key + kScale[random.bounded(8)]);
            if ((i / beatSamples) % 4 == 0)
                bass = noteFrequency(key - 24 + kScale[random.bounded(4)]);
        }
        const double t = double(inBeat) / beatSamples;
        const double envelope = std::min(1.0, t * 40.0) * std::exp(-3.0 * t);
        phase += 2 * M_PI * frequency / kSampleRate;
        bassPhase += 2 * M_PI * bass / kSampleRate;
        const double value = 0.30 * envelope * (std::sin(phase) + 0.25 * std::sin(2 * phase))
            + 0.15 * std::sin(bassPhase);
        appendLE16(out, quint16(qint16(std::lround(qBound(-1.0, value, 1.0) * 32000))));
    }
    return out;
}

QByteArray wav(int trackId)
{
    return wavOfLength(trackId, durationSeconds(trackId));
}

namespace {

QByteArray tone(double seconds, int sampleRate, int channels, double (*frequencyAt)(double, double), double base)
{
    const qint64 samples = qint64(seconds * sampleRate);
    QByteArray out = header(quint32(samples * 2 * channels), sampleRate, channels);
    out.reserve(out.size() + samples * 2 * channels);
    double phase = 0;
    for (qint64 i = 0; i < samples; ++i) {
        phase += 2 * M_PI * frequencyAt(base, double(i) / sampleRate) / sampleRate;
        const auto value = quint16(qint16(std::lround(0.3 * std::sin(phase) * 32000)));
        for (int channel = 0; channel < channels; ++channel)
            appendLE16(out, value);
    }
    return out;
}

} // namespace

QByteArray toneWav(double frequency, double seconds, int sampleRate, int channels)
{
    return tone(seconds, sampleRate, channels, [](double base, double) { return base; }, frequency);
}

double steppedToneFrequency(double second)
{
    return 300.0 + 100.0 * std::floor(second);
}

QByteArray steppedToneWav(double seconds)
{
    return tone(seconds, kSampleRate, 1, [](double, double t) { return steppedToneFrequency(t); }, 0);
}

} // namespace DemoAudio
