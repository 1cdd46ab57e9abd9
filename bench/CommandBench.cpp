#include "CommandBench.h"
#include "BenchOutput.h"

#include "EventWait.h"
#include "SinkBench.h"
#include "StallMonitor.h"
#include "SoundServer.h"
#include "Stats.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoAudio.h"
#include "demo/DemoService.h"
#include "platform/media/StreamingPlayer.h"

#include <QTextStream>

using EventWait::settle;
using EventWait::waitFor;

using BenchOutput::out;
using BenchOutput::verdict;

namespace {

// The tracks these measurements play, kept apart from the other ones'.
constexpr int kSteppedTrack = 6;
constexpr int kAheadTrack = 7;
constexpr int kToneTrack = 8;
constexpr double kSeconds = 20;

} // namespace

CommandBench::CommandBench(SecondViewController *music, DemoService *demo, SoundServer *sound)
    : m_music(music)
    , m_demo(demo)
    , m_sound(sound)
{
}

bool CommandBench::playing(double atLeastSeconds) const
{
    return m_music->player() && m_music->player()->currentTime() > atLeastSeconds;
}

void CommandBench::seeks(int runs)
{
    // Within what came: the whole track is here; each seek goes to another
    // second, and is heard when that second's pitch is.
    m_demo->setTrackAudio(kSteppedTrack, DemoAudio::steppedToneWav(kSeconds));
    SinkBench::tap(m_music, kSteppedTrack);
    waitFor([this] { return playing(1.0); }, 10000);
    QList<double> within;
    int lost = 0;
    m_sound->startRecording();
    settle(300);
    QList<QPair<qint64, int>> commands;
    for (int i = 0; i < runs; ++i) {
        const int second = 2 + (i * 7) % 15;
        commands.append({SoundServer::nowNs(), second});
        m_music->remoteSeekTo(second + 0.3);
        settle(500);
    }
    SoundRecording heard = m_sound->stopRecording();
    for (const auto &command : std::as_const(commands)) {
        const qint64 at = heard.toneHeardByNs(DemoAudio::steppedToneFrequency(command.second), command.first);
        if (at < 0 || at - command.first > 450000000LL)
            ++lost;
        else
            within.append((at - command.first) / 1e6);
    }
    m_music->playerBackButtonTapped();
    settle(300);

    // Ahead of what came, on a link twice as fast as the track plays: one
    // Range request from there.
    m_demo->setTrackAudio(kAheadTrack, DemoAudio::steppedToneWav(kSeconds));
    m_demo->setThrottle(2 * DemoAudio::kSampleRate * 2);
    QList<double> ahead;
    int extraRequests = 0;
    const QString audio = QStringLiteral("/media/track-%1.wav").arg(kAheadTrack);
    for (int i = 0; i < runs; ++i) {
        SinkBench::tap(m_music, kAheadTrack);
        waitFor([this] { return playing(1.0); }, 10000);
        m_sound->startRecording();
        settle(200);
        const qsizetype logged = m_demo->requestLog().size();
        const int second = 12 + i % 6;
        const qint64 sought = SoundServer::nowNs();
        m_music->remoteSeekTo(second + 0.3);
        settle(900);
        heard = m_sound->stopRecording();
        const QList<QString> requests = m_demo->requestLog().mid(logged).filter(audio);
        extraRequests += int(qMax<qsizetype>(0, requests.size() - 1));
        const qint64 at = heard.toneHeardByNs(DemoAudio::steppedToneFrequency(second), sought);
        if (at < 0)
            ++lost;
        else
            ahead.append((at - sought) / 1e6);
        m_music->playerBackButtonTapped();
        settle(300);
    }
    m_demo->setThrottle(0);
    m_demo->setTrackAudio(kSteppedTrack, QByteArray());
    m_demo->setTrackAudio(kAheadTrack, QByteArray());
    const Stats w = Stats::of(within);
    const Stats a = Stats::of(ahead);
    out() << "Seek to the sound of the new place (" << runs << " seeks each; heard by: the end of the first 10 ms of it)\n"
          << "  within what came: " << w.describe(QStringLiteral("ms")) << " [target <= 30 ms "
          << verdict(w.count > 0 && w.median <= 30) << "]\n"
          << "  ahead, link twice the track's rate: " << a.describe(QStringLiteral("ms"))
          << " [target <= 150 ms + 2 R = 150 ms " << verdict(a.count > 0 && a.median <= 150) << "]\n"
          << "  requests a seek ahead made beyond one: " << extraRequests << " [target 0 "
          << verdict(extraRequests == 0) << "]; seeks not heard: " << lost << " [target 0 " << verdict(lost == 0)
          << "]" << Qt::endl;
}

void CommandBench::pauseAndPlay(int runs)
{
    m_demo->setTrackAudio(kToneTrack, DemoAudio::toneWav(660, kSeconds));
    SinkBench::tap(m_music, kToneTrack);
    waitFor([this] { return playing(1.0); }, 10000);
    // (A recording placed on the clock from its first chunks on.)
    m_sound->startRecording();
    settle(300);
    QList<qint64> pauses;
    QList<qint64> plays;
    for (int i = 0; i < runs; ++i) {
        pauses.append(SoundServer::nowNs());
        m_music->playPauseButtonTapped();
        settle(300);
        plays.append(SoundServer::nowNs());
        m_music->playPauseButtonTapped();
        settle(300);
    }
    const SoundRecording heard = m_sound->stopRecording();
    m_music->playerBackButtonTapped();
    m_demo->setTrackAudio(kToneTrack, QByteArray());
    QList<double> silenced;
    QList<double> sounded;
    // The recording is placed on the clock to a few milliseconds: a change
    // heard within them reads as at once.
    for (int i = 0; i < runs; ++i) {
        silenced.append(qMax(0.0, heard.msToSilenceAfter(pauses.at(i))));
        sounded.append(qMax(0.0, heard.msToFirstSoundAfter(plays.at(i))));
    }
    const Stats s = Stats::of(silenced);
    const Stats p = Stats::of(sounded);
    out() << "Pause to silence and play to sound (" << runs << " each)\n"
          << "  pause: " << s.describe(QStringLiteral("ms")) << "\n"
          << "  play:  " << p.describe(QStringLiteral("ms")) << Qt::endl;
}

void CommandBench::serverRestart(int runs)
{
    // The sound server drops every client and takes them again a second
    // later (its sink plays on, and is recorded): the track goes on from
    // where it stopped, with no failure.
    m_demo->setTrackAudio(kToneTrack, DemoAudio::toneWav(660, kSeconds));
    SinkBench::tap(m_music, kToneTrack);
    waitFor([this] { return playing(1.0); }, 10000);
    QList<double> back;
    m_sound->startRecording();
    settle(300);
    QList<qint64> restarts;
    for (int i = 0; i < runs; ++i) {
        {
            const StallMonitor::OwnWork restarting;
            m_sound->dropClients();
        }
        settle(1000);
        restarts.append(SoundServer::nowNs());
        {
            const StallMonitor::OwnWork restarting;
            m_sound->acceptClients();
        }
        settle(1200);
    }
    const SoundRecording heard = m_sound->stopRecording();
    const bool stillPlays = m_music->player() != nullptr;
    m_music->playerBackButtonTapped();
    m_demo->setTrackAudio(kToneTrack, QByteArray());
    for (qint64 restart : std::as_const(restarts))
        back.append(qMax(0.0, heard.msToFirstSoundAfter(restart)));
    const Stats b = Stats::of(back);
    out() << "Sound server restart to sound (" << runs << " restarts, the output tried again every 200 ms)\n"
          << "  " << b.describe(QStringLiteral("ms")) << "; the track played on: "
          << (stillPlays ? "yes" : "no") << " [target: yes " << verdict(stillPlays) << "]" << Qt::endl;
}
