#include "SinkBench.h"
#include "BenchOutput.h"
#include "StallMonitor.h"

#include "BarePlaybin.h"
#include "EncodedAudio.h"
#include "EventWait.h"
#include "SoundServer.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoAudio.h"
#include "demo/DemoService.h"
#include "platform/media/StreamingPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QUrl>

using EventWait::settle;
using EventWait::waitFor;

using BenchOutput::out;
using BenchOutput::verdict;

namespace {

QString ms(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" ms");
}

// Playback failures the screen logged, counted as they come.
int g_failures = 0;
QtMessageHandler g_previousHandler = nullptr;

void countFailures(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QStringLiteral("Ошибка воспроизведения")))
        ++g_failures;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// The demo tracks' own quiet stretches, where every sample lies below the
// threshold of sound: a break no longer than that is no break.
double longestQuietMs(int trackId, double seconds)
{
    const QByteArray wav = DemoAudio::wavOfLength(trackId, seconds);
    const auto *samples = reinterpret_cast<const qint16 *>(wav.constData() + 44);
    const qsizetype count = (wav.size() - 44) / 2;
    qsizetype run = 0;
    qsizetype longest = 0;
    bool sounded = false;
    for (qsizetype i = 0; i < count; ++i) {
        if (qAbs(int(samples[i])) > SoundRecording::kThreshold) {
            if (sounded)
                longest = qMax(longest, run);
            sounded = true;
            run = 0;
        } else {
            ++run;
        }
    }
    return longest * 1000.0 / DemoAudio::kSampleRate;
}

qint64 nsAfter(qint64 startNs, double ms)
{
    return startNs + qint64(ms * 1e6);
}

QString trackUrl(const DemoService &demo, int trackId)
{
    return demo.origin() + QStringLiteral("/media/track-%1.wav").arg(trackId);
}

} // namespace

SinkBench::SinkBench(SecondViewController *music, DemoService *demo, SoundServer *sound)
    : m_music(music)
    , m_demo(demo)
    , m_sound(sound)
{
    if (!g_previousHandler)
        g_previousHandler = qInstallMessageHandler(countFailures);
}

void SinkBench::tap(SecondViewController *music, int trackId)
{
    music->webViewShouldStartLoadWithRequest(music->webView(),
                                             QUrl(QStringLiteral("kavu://music?id=%1").arg(trackId)),
                                             WebViewNavigationType::LinkClicked);
}

bool SinkBench::playing(double atLeastSeconds) const
{
    return m_music->player() && m_music->player()->currentTime() > atLeastSeconds;
}

SinkBench::Taps SinkBench::tapToAudible(int taps, int roundTripMs)
{
    // Kavu and the floor in turns, so that both see the same machine; the
    // first two of each warm up.
    m_demo->setRoundTripMs(roundTripMs);
    m_sound->startRecording();
    QList<qint64> appStarts;
    QList<qint64> floorStarts;
    for (int i = 0; i < taps + 2; ++i) {
        const int trackId = 1 + i % 8;
        const qint64 tapped = SoundServer::nowNs();
        tap(m_music, trackId);
        waitFor([this] { return playing(0.3); }, 10000);
        m_music->playerBackButtonTapped();
        settle(300 + 2 * roundTripMs);
        qint64 floorStart = 0;
        {
            BarePlaybin bare(trackUrl(*m_demo, trackId));
            waitFor([&] { return bare.positionSeconds() > 0.3 || bare.isFinished(); }, 10000);
            floorStart = bare.startedNs();
        }
        settle(300 + 2 * roundTripMs);
        if (i >= 2) {
            appStarts.append(tapped);
            floorStarts.append(floorStart);
        }
    }
    const SoundRecording heard = m_sound->stopRecording();
    m_demo->setRoundTripMs(0);
    Taps run;
    for (qsizetype i = 0; i < appStarts.size(); ++i) {
        const double app = heard.msToFirstSoundAfter(appStarts.at(i));
        const double floor = heard.msToFirstSoundAfter(floorStarts.at(i));
        if (app >= 0 && floor >= 0) {
            run.app.append(app);
            run.floor.append(floor);
        }
    }
    const Stats app = Stats::of(run.app);
    const Stats floor = Stats::of(run.floor);
    // At R = 0 the floor is measured; beyond, what a warm client cannot
    // beat is that floor plus a round trip each for the information and
    // the audio on a connection already open.
    if (roundTripMs == 0)
        m_floorAtZeroMs = floor.median;
    const double allowed = m_floorAtZeroMs + 2 * roundTripMs + 25;
    out() << "Tap to audible at the sound server, R = " << roundTripMs << " ms\n"
          << "  Kavu:  " << app.describe(QStringLiteral("ms")) << " (tap to the first sample heard)\n"
          << "  floor: " << floor.describe(QStringLiteral("ms"))
          << " (bare playbin on a new connection, set playing to the first sample heard)\n"
          << "  [target: Kavu <= floor at R = 0" << (roundTripMs > 0 ? " + 2 R" : "") << " + 25 ms = "
          << ms(allowed) << " " << verdict(app.count > 0 && app.median <= allowed) << "]" << Qt::endl;
    return run;
}

// The longest silence at the hand-overs from one tone to the next: from the
// last of one to the first of the next; a next that never sounds fails.
double SinkBench::handOverGapMs(const SoundRecording &heard, qint64 fromNs, const QList<double> &tones,
                                double trackMs, QString *missing)
{
    double longest = 0;
    qint64 previous = fromNs;
    for (int i = 0; i < tones.size(); ++i) {
        const qint64 at = heard.firstToneAfterNs(tones.at(i), previous);
        if (at < 0) {
            *missing = QStringLiteral("%1 Hz never sounded").arg(tones.at(i));
            return -1;
        }
        if (i > 0)
            longest = qMax(longest, heard.longestSilenceWithinMs(at - 300000000LL, at + 50000000LL));
        previous = nsAfter(at, trackMs * 0.6);
    }
    return longest;
}

void SinkBench::gapBetweenTracks(int roundTripMs)
{
    // Four-second tracks of four tones, each naming the next: three
    // hand-overs, each measured until the next track's first sound.
    constexpr double kSeconds = 4;
    const QList<double> tones{440, 550, 660, 770};
    m_demo->setTrackSeconds(kSeconds);
    for (int trackId = 1; trackId <= 4; ++trackId)
        m_demo->setTrackAudio(trackId, DemoAudio::toneWav(tones.at(trackId - 1), kSeconds));
    m_demo->setRoundTripMs(roundTripMs);
    const qsizetype logged = m_demo->requestLog().size();
    m_sound->startRecording();
    const qint64 tapped = SoundServer::nowNs();
    tap(m_music, 1);
    waitFor([this] { return m_music->currentSongID() == QStringLiteral("4") && playing(0.5); }, 30000);
    m_music->playerBackButtonTapped();
    const QList<QString> log = m_demo->requestLog().mid(logged);
    settle(300);
    const qint64 floorStart = [&] {
        BarePlaybin bare(trackUrl(*m_demo, 1), trackUrl(*m_demo, 2));
        waitFor([&] { return bare.isFinished(); }, 30000);
        return bare.startedNs();
    }();
    const SoundRecording heard = m_sound->stopRecording();
    m_demo->setRoundTripMs(0);
    m_demo->setTrackSeconds(0);
    // The tracks' own audio again for the measurements that follow.
    for (int trackId = 1; trackId <= 4; ++trackId)
        m_demo->setTrackAudio(trackId, QByteArray());
    QString missing;
    const double appGap = handOverGapMs(heard, tapped, tones, kSeconds * 1000, &missing);
    QString floorMissing;
    const double floorGap = handOverGapMs(heard, floorStart, tones.mid(0, 2), kSeconds * 1000, &floorMissing);
    // Each of the three tracks played whole: its requests.
    int requests = 0;
    for (int trackId = 1; trackId <= 3; ++trackId)
        requests += int(log.filter(QStringLiteral("/media/track-%1.wav").arg(trackId)).size());
    out() << "Silence between two chained tracks, R = " << roundTripMs << " ms (3 hand-overs, to the next track's first sound)\n"
          << "  Kavu: longest " << (appGap < 0 ? missing : ms(appGap))
          << ", floor (playbin, next set on about-to-finish): " << (floorGap < 0 ? floorMissing : ms(floorGap))
          << " [target <= 5 ms " << verdict(appGap >= 0 && appGap <= 5) << "]\n"
          << "  requests per track: " << QString::number(requests / 3.0, 'f', 2) << " [target 1 "
          << verdict(requests == 3) << "]" << Qt::endl;
}

void SinkBench::gapAcrossFormats()
{
    // MP3 (with lame's gapless header), Ogg Vorbis, FLAC, Opus and WAV of
    // other rates and channels, chained: measured as the other gaps.
    struct Track
    {
        EncodedAudio::Format format;
        double hz;
        int rate;
        int channels;
        const char *name;
    };
    const QList<Track> tracks = {
        {EncodedAudio::Format::Mp3, 440, 44100, 2, "MP3"},   {EncodedAudio::Format::Vorbis, 550, 48000, 2, "Vorbis"},
        {EncodedAudio::Format::Flac, 660, 22050, 1, "FLAC"}, {EncodedAudio::Format::Opus, 770, 48000, 1, "Opus"},
        {EncodedAudio::Format::Wav, 880, 32000, 2, "WAV"},
    };
    constexpr double kSeconds = 3;
    QList<double> tones;
    QStringList names;
    {
        // Encoded here, with gst-launch and lame waited for on this thread.
        const StallMonitor::OwnWork encoding;
        for (int i = 0; i < tracks.size(); ++i) {
            QString error;
            const Track &track = tracks.at(i);
            const QByteArray wav = DemoAudio::toneWav(track.hz, kSeconds, track.rate, track.channels);
            const QByteArray bytes =
                track.format == EncodedAudio::Format::Wav ? wav : EncodedAudio::encode(wav, track.format, &error);
            if (bytes.isEmpty()) {
                out() << "Silence between tracks of other formats: " << track.name << " not made (" << error << ")"
                      << Qt::endl;
                return;
            }
            m_demo->setTrackAudio(i + 1, bytes);
            tones.append(track.hz);
            names.append(QString::fromLatin1(track.name));
        }
    }
    m_sound->startRecording();
    const qint64 tapped = SoundServer::nowNs();
    tap(m_music, 1);
    waitFor([this, &tracks] { return m_music->currentSongID() == QString::number(tracks.size()) && playing(1.0); },
            30000);
    m_music->playerBackButtonTapped();
    const SoundRecording heard = m_sound->stopRecording();
    for (int trackId = 1; trackId <= tracks.size(); ++trackId)
        m_demo->setTrackAudio(trackId, QByteArray());
    QString missing;
    const double gap = handOverGapMs(heard, tapped, tones, kSeconds * 1000, &missing);
    out() << "Silence between chained tracks of other formats, rates and channels (" << names.join(QStringLiteral(" > "))
          << ")\n  longest " << (gap < 0 ? missing : ms(gap)) << " [target <= 5 ms " << verdict(gap >= 0 && gap <= 5)
          << "]" << Qt::endl;
}

void SinkBench::outage(int outageMs)
{
    // A 20-s track on a link six times as fast as it plays; when some ten
    // seconds more than has played have come, the server goes away.
    constexpr double kSeconds = 20;
    constexpr double kBreakAt = 2.0;
    m_demo->setTrackSeconds(kSeconds);
    m_demo->setThrottle(6 * DemoAudio::kSampleRate * 2);
    const int failuresBefore = g_failures;
    m_sound->startRecording();
    const qint64 tapped = SoundServer::nowNs();
    tap(m_music, 5);
    waitFor([this] { return playing(kBreakAt); }, 10000);
    m_demo->interrupt(outageMs);
    QElapsedTimer outage;
    outage.start();
    waitFor([this] { return m_music->currentSongID() != QStringLiteral("5") || !m_music->player(); },
            int(kSeconds * 1000) + outageMs + 5000);
    m_music->playerBackButtonTapped();
    // The floor starts once the server is back and Kavu's track would have
    // ended, so that nothing of one is heard in the other's time.
    settle(qMax<int>(300, qMax<int>(outageMs + 500, int(kSeconds * 1000) - 1500) - int(outage.elapsed())));
    qint64 floorStart = 0;
    {
        BarePlaybin bare(trackUrl(*m_demo, 5));
        waitFor([&] { return bare.positionSeconds() >= kBreakAt || bare.isFinished(); }, 10000);
        m_demo->interrupt(outageMs);
        QElapsedTimer floorOutage;
        floorOutage.start();
        waitFor([&] { return bare.isFinished(); }, int(kSeconds * 1000) + outageMs + 5000);
        floorStart = bare.startedNs();
        // The floor gives up within the outage: what follows waits for the
        // server to be back.
        settle(qMax<int>(0, outageMs + 300 - int(floorOutage.elapsed())));
    }
    const SoundRecording heard = m_sound->stopRecording();
    m_demo->setThrottle(0);
    m_demo->setTrackSeconds(0);
    const int alerts = g_failures - failuresBefore;
    const qint64 appFirst = nsAfter(tapped, heard.msToFirstSoundAfter(tapped));
    const double appHeard = heard.soundMs(appFirst, nsAfter(appFirst, kSeconds * 1000 - 100));
    // A track that stopped (its last half second not heard) broke for the
    // rest of its length. The track's own quiet moments, where its notes
    // and bass cross zero together, are samples under the threshold too:
    // some 1.5 % of it, never a break.
    const bool stopped = heard.soundMs(nsAfter(appFirst, kSeconds * 1000 - 600), nsAfter(appFirst, kSeconds * 1000 - 100)) < 250;
    const double appBreak = stopped ? kSeconds * 1000 - appHeard
                                    : heard.longestSilenceWithinMs(appFirst, nsAfter(appFirst, kSeconds * 1000 - 100));
    const qint64 floorFirst = nsAfter(floorStart, heard.msToFirstSoundAfter(floorStart));
    const double floorHeard = heard.soundMs(floorFirst, nsAfter(floorFirst, kSeconds * 1000 + outageMs));
    out() << "An " << outageMs / 1000 << "-s outage " << kBreakAt << " s into a " << kSeconds
          << "-s track, with some 10 s more than played already come\n"
          << "  Kavu: audible break " << ms(appBreak) << " (the track's own longest quiet stretch: "
          << ms(longestQuietMs(5, kSeconds)) << "), heard " << QString::number(appHeard / 1000, 'f', 1)
          << " s of " << kSeconds << " s, failures " << alerts << " [target: 0 ms, whole track, no alert "
          << verdict(appBreak <= 5 && !stopped && appHeard >= kSeconds * 1000 * 0.97 && alerts == 0) << "]\n"
          << "  floor: heard " << QString::number(floorHeard / 1000, 'f', 1) << " s of " << kSeconds
          << " s (bare playbin)" << Qt::endl;
}
