#include "EncodedAudio.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace EncodedAudio {

namespace {

// The GStreamer elements between the decoded WAV and the file.
QString encoder(Format format)
{
    switch (format) {
    case Format::M4a:
        return QStringLiteral("avenc_aac ! mp4mux");
    case Format::Adts:
        return QStringLiteral("avenc_aac ! aacparse ! audio/mpeg,stream-format=adts");
    case Format::Vorbis:
        return QStringLiteral("vorbisenc ! oggmux");
    case Format::Opus:
        return QStringLiteral("opusenc ! oggmux");
    case Format::Flac:
        return QStringLiteral("flacenc");
    case Format::Wav:
        return QStringLiteral("wavenc");
    case Format::Mp3:
        break;
    }
    return QString();
}

} // namespace

QByteArray encode(const QByteArray &wav, Format format, QString *error)
{
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("in.wav"));
    const QString output = folder.filePath(QStringLiteral("out"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size()) {
        *error = QStringLiteral("cannot write %1").arg(input);
        return QByteArray();
    }
    file.close();
    QProcess process;
    if (format == Format::Mp3) {
        process.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), input, output});
    } else {
        const QString pipeline = QStringLiteral("filesrc location=%1 ! wavparse ! audioconvert ! audioresample ! %2 "
                                                "! filesink location=%3")
                                     .arg(input, encoder(format), output);
        process.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("gst-launch-1.0 -q %1").arg(pipeline)});
    }
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        *error = QStringLiteral("the encoder failed: %1").arg(QString::fromUtf8(process.readAllStandardError()));
        return QByteArray();
    }
    QFile encoded(output);
    if (!encoded.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the encoder wrote nothing");
        return QByteArray();
    }
    return encoded.readAll();
}

bool silentEdgesMs(const QByteArray &encoded, double *leading, double *trailing)
{
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("in"));
    const QString output = folder.filePath(QStringLiteral("out.raw"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(encoded) != encoded.size())
        return false;
    file.close();
    QProcess process;
    process.start(QStringLiteral("gst-launch-1.0"),
                  {QStringLiteral("-q"), QStringLiteral("filesrc"), QStringLiteral("location=") + input,
                   QStringLiteral("!"), QStringLiteral("decodebin"), QStringLiteral("!"),
                   QStringLiteral("audioconvert"), QStringLiteral("!"), QStringLiteral("audioresample"),
                   QStringLiteral("!"), QStringLiteral("audio/x-raw,format=S16LE,channels=1,rate=48000"),
                   QStringLiteral("!"), QStringLiteral("filesink"), QStringLiteral("location=") + output});
    QFile raw(output);
    if (!process.waitForFinished(30000) || process.exitCode() != 0 || !raw.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = raw.readAll();
    const auto *samples = reinterpret_cast<const qint16 *>(bytes.constData());
    const qsizetype count = bytes.size() / 2;
    // Silent as a recording hears it: no sample above its threshold.
    constexpr int kThreshold = 200;
    qsizetype first = 0;
    while (first < count && qAbs(int(samples[first])) <= kThreshold)
        ++first;
    qsizetype last = count;
    while (last > first && qAbs(int(samples[last - 1])) <= kThreshold)
        --last;
    *leading = first * 1000.0 / 48000;
    *trailing = (count - last) * 1000.0 / 48000;
    return true;
}

} // namespace EncodedAudio
