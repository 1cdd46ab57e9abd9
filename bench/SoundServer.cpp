#include "SoundServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <limits>

#include <csignal>
#include <ctime>
#include <sys/prctl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

const char kSink[] = "kavu_test";
const char kKeepAliveName[] = "kavu-test-keep-alive";

QProcessEnvironment serverEnvironment(const QString &folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), folder);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder + QStringLiteral("/run"));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), folder + QStringLiteral("/run"));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), folder + QStringLiteral("/state"));
    env.insert(QStringLiteral("PULSE_CONFIG_PATH"), folder + QStringLiteral("/config"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    return env;
}

} // namespace

SoundServer::SoundServer() = default;

SoundServer::~SoundServer()
{
    if (m_recorderPid > 0)
        stopRecording();
    for (QProcess *process : {&m_keepAlive, &m_server}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(3000))
            process->kill();
        process->waitForFinished(1000);
    }
}

qint64 SoundServer::nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void SoundServer::reserve()
{
    m_address = QStringLiteral("unix:") + m_folder.path() + QStringLiteral("/native");
    qputenv("PULSE_SERVER", m_address.toUtf8());
    qunsetenv("KAVU_AUDIO_OUTPUT");
}

void SoundServer::kill()
{
    if (m_recorderPid > 0)
        stopRecording();
    for (QProcess *process : {&m_keepAlive, &m_server}) {
        process->kill();
        process->waitForFinished(3000);
    }
}

bool SoundServer::start(QString *error)
{
    const QString folder = m_folder.path();
    QDir(folder).mkpath(QStringLiteral("run"));
    QFile::setPermissions(folder + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socket = folder + QStringLiteral("/native");
    m_address = QStringLiteral("unix:") + socket;
    // The fixture's own clients (the silent stream, the recorder, pactl)
    // connect at a socket of their own, which stays while the clients'
    // socket is dropped (dropClients).
    m_controlAddress = QStringLiteral("unix:") + folder + QStringLiteral("/control");
    m_server.setProcessEnvironment(serverEnvironment(folder));
    // The server and its silent stream end with this process, however it
    // ends (a test that aborts leaves no server behind).
    for (QProcess *process : {&m_server, &m_keepAlive})
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_server.setStandardOutputFile(folder + QStringLiteral("/server.log"));
    m_server.setStandardErrorFile(folder + QStringLiteral("/server.log"), QIODevice::Append);
    m_server.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"),
                    QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=%1 rate=48000").arg(kSink),
                    QStringLiteral("-L"),
                    QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(folder + QStringLiteral("/control"))});
    if (!m_server.waitForStarted(5000)) {
        if (error)
            *error = QStringLiteral("pulseaudio could not be started: %1").arg(m_server.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    bool ready = false;
    while (!ready && clock.elapsed() < 10000 && m_server.state() == QProcess::Running) {
        QProcess info;
        info.setProcessEnvironment(serverEnvironment(folder));
        info.start(QStringLiteral("pactl"), {QStringLiteral("-s"), m_controlAddress, QStringLiteral("info")});
        ready = info.waitForFinished(3000) && info.exitCode() == 0;
        if (!ready)
            QThread::msleep(50);
    }
    if (!ready || !acceptClients()) {
        if (error)
            *error = QStringLiteral("pulseaudio did not answer at %1").arg(m_address);
        return false;
    }
    qputenv("PULSE_SERVER", m_address.toUtf8());
    // Kavu plays into it, never into a silent output a test asked for.
    qunsetenv("KAVU_AUDIO_OUTPUT");
    m_keepAlive.setStandardInputFile(QStringLiteral("/dev/zero"));
    m_keepAlive.setStandardOutputFile(QProcess::nullDevice());
    m_keepAlive.setStandardErrorFile(QProcess::nullDevice());
    m_keepAlive.start(QStringLiteral("pacat"),
                      {QStringLiteral("-s"), m_controlAddress, QStringLiteral("--playback"), QStringLiteral("--raw"),
                       QStringLiteral("--latency-msec=10"), QStringLiteral("--rate=48000"),
                       QStringLiteral("--channels=2"), QStringLiteral("--format=s16le"),
                       QStringLiteral("--client-name=%1").arg(kKeepAliveName)});
    if (!m_keepAlive.waitForStarted(5000)) {
        if (error)
            *error = QStringLiteral("pacat could not be started");
        return false;
    }
    // The sink runs in small blocks once the silent stream plays, but it
    // finishes the long block it was rendering first (up to 2 s): until
    // then its monitor gives nothing. Ready once a recording hears it.
    if (!startRecording())
        return true;
    QElapsedTimer waited;
    waited.start();
    while (m_recordedSamples.load() == 0 && waited.elapsed() < 5000)
        QThread::msleep(10);
    stopRecording();
    return true;
}

QString SoundServer::pactl(const QStringList &arguments) const
{
    QProcess process;
    process.setProcessEnvironment(serverEnvironment(m_folder.path()));
    process.start(QStringLiteral("pactl"), QStringList{QStringLiteral("-s"), ownAddress()} + arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool SoundServer::acceptClients()
{
    const QString socket = m_address.mid(5);
    m_clientsModule = pactl({QStringLiteral("load-module"), QStringLiteral("module-native-protocol-unix"),
                             QStringLiteral("socket=%1").arg(socket), QStringLiteral("auth-anonymous=1")});
    return !m_clientsModule.isEmpty();
}

void SoundServer::dropClients()
{
    if (!m_clientsModule.isEmpty())
        pactl({QStringLiteral("unload-module"), m_clientsModule});
    m_clientsModule.clear();
}

bool SoundServer::startRecording()
{
    // A recording left running (its caller stopped short) ends here.
    stopRecording();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return false;
    const QByteArray address = ownAddress().toUtf8();
    const QByteArray monitor = QByteArray(kSink) + ".monitor";
    const char *argv[] = {"parec",          "-s",       address.constData(), "-d",
                          monitor.constData(), "--latency-msec=5", "--raw", "--format=s16le",
                          "--rate=48000",   "--channels=1", "--client-name=kavu-test-recorder", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "parec", &actions, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    m_recorderPid = pid;
    m_recording = SoundRecording();
    m_minimumStartNs = std::numeric_limits<qint64>::max();
    m_recordedSamples = 0;
    m_stopReading = false;
    const int fd = pipeEnds[0];
    m_reader = std::thread([this, fd] { readRecording(fd); });
    return true;
}

void SoundServer::readRecording(int fd)
{
    // Each chunk is timed as it comes: its last sample was played just
    // before. The earliest placement any chunk allows is the truest.
    char buffer[4096];
    QByteArray pending;
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        const qint64 arrival = nowNs();
        pending.append(buffer, int(n));
        const qsizetype whole = pending.size() / 2;
        const auto *samples = reinterpret_cast<const qint16 *>(pending.constData());
        const qsizetype before = m_recording.samples.size();
        m_recording.samples.resize(before + whole);
        std::copy(samples, samples + whole, m_recording.samples.begin() + before);
        pending.remove(0, whole * 2);
        m_recordedSamples = m_recording.samples.size();
        const qint64 start = arrival - m_recording.samples.size() * 1000000000LL / SoundRecording::kRate;
        m_minimumStartNs = qMin(m_minimumStartNs, start);
    }
    ::close(fd);
}

SoundRecording SoundServer::stopRecording()
{
    if (m_recorderPid <= 0)
        return SoundRecording();
    ::kill(pid_t(m_recorderPid), SIGTERM);
    ::waitpid(pid_t(m_recorderPid), nullptr, 0);
    m_recorderPid = -1;
    if (m_reader.joinable())
        m_reader.join();
    m_recording.startNs = m_minimumStartNs;
    return m_recording;
}

QList<SoundServer::Stream> SoundServer::streams() const
{
    const QString listing = pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")});
    QList<Stream> streams;
    static const QRegularExpression property(QStringLiteral("^\\s+([\\w.]+) = \"(.*)\"$"));
    static const QRegularExpression percent(QStringLiteral("(\\d+)%"));
    for (const QString &block : listing.split(QStringLiteral("Sink Input #"), Qt::SkipEmptyParts)) {
        Stream stream;
        for (const QString &line : block.split(QLatin1Char('\n'))) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith(QLatin1String("Mute:")))
                stream.muted = trimmed.endsWith(QLatin1String("yes"));
            else if (trimmed.startsWith(QLatin1String("Volume:")))
                stream.volumePercent = percent.match(trimmed).captured(1).toInt();
            const QRegularExpressionMatch match = property.match(line);
            if (match.hasMatch())
                stream.properties.insert(match.captured(1), match.captured(2));
        }
        if (stream.properties.value(QStringLiteral("application.name")) != QLatin1String(kKeepAliveName)
            && !stream.properties.isEmpty())
            streams.append(stream);
    }
    return streams;
}
