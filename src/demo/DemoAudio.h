#pragma once

#include <QByteArray>

// Demo tracks made in code: a WAV file (mono, 16-bit, 22 050 Hz) with a
// short tune of its own for every track, 20 to 40 seconds long.
namespace DemoAudio {

constexpr int kSampleRate = 22050;

int durationSeconds(int trackId);
QByteArray wav(int trackId);
// A WAV file of the given length in seconds, for tests and measurements.
QByteArray wavOfLength(int seed, double seconds);
// A steady tone, and one whose pitch steps up every second (300 Hz, then
// 400, 500 ...): what is heard tells which track and which second plays.
QByteArray toneWav(double frequency, double seconds, int sampleRate = kSampleRate, int channels = 1);
QByteArray steppedToneWav(double seconds);
double steppedToneFrequency(double second);

} // namespace DemoAudio
