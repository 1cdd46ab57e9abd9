#pragma once

#include <QByteArray>
#include <QString>

// A WAV file's audio in the formats the catalogue's tracks come in, made
// by the encoders a Debian machine has: lame for MP3 (with the header that
// tells players its padding), GStreamer's for the others. For the tests
// and the benchmark.
namespace EncodedAudio {

enum class Format { Mp3, M4a, Adts, Vorbis, Opus, Flac, Wav };

// Empty, with why in error, when the encoder could not make it.
QByteArray encode(const QByteArray &wav, Format format, QString *error);

// How much silence the file itself holds at its start and at its end, in
// milliseconds, as a player decodes it: an encoder's delay and padding
// that no gapless information trims (AAC without an edit list) are part
// of the track, not a gap between two tracks. False when it cannot be
// decoded.
bool silentEdgesMs(const QByteArray &encoded, double *leading, double *trailing);

} // namespace EncodedAudio
