#pragma once

#include "SoundRecording.h"

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <thread>

// A PulseAudio sound server of this process's own, in a private folder,
// with one null sink, as the desktop's would be: this process's streams go
// to it from start() on. A silent stream keeps the sink rendering in small
// blocks, as a sound card does (an idle null sink renders in 2-s blocks,
// which hides every latency). What the sink plays is recorded from its
// monitor, each sample placed on the monotonic clock.
class SoundServer
{
public:
    SoundServer();
    ~SoundServer();

    // False, with the reason, when no server could be started.
    bool start(QString *error = nullptr);
    // This process's streams go to the server from now on, though it has
    // not started yet (a session whose sound server comes late).
    void reserve();
    // Ends the server, as a crash would; start() starts it again at the
    // same address.
    void kill();
    // Ends every client's connection and refuses new ones, as a server
    // that restarts does, while the sink plays on (and is recorded); then
    // takes clients again.
    void dropClients();
    bool acceptClients();
    // Records and lists the server another process started (its address).
    void attach(const QString &address) { m_address = address; }
    QString address() const { return m_address; }
    static qint64 nowNs();

    // Records from now until stopRecording().
    bool startRecording();
    SoundRecording stopRecording();

    // The streams that play into the sink (but the silent one), as the
    // server reports them.
    struct Stream
    {
        QMap<QString, QString> properties;
        // As sound settings show it, in percent of full volume.
        int volumePercent = -1;
        bool muted = false;
    };
    QList<Stream> streams() const;

private:
    void readRecording(int fd);
    // The address of the fixture's own clients: the control socket of a
    // server started here, else the server's.
    QString ownAddress() const { return m_controlAddress.isEmpty() ? m_address : m_controlAddress; }
    QString pactl(const QStringList &arguments) const;

    QTemporaryDir m_folder;
    QString m_address;
    QString m_controlAddress;
    QString m_clientsModule;
    QProcess m_server;
    QProcess m_keepAlive;
    // The recorder: parec, read on a thread of its own so that every chunk
    // is timed as it comes.
    qint64 m_recorderPid = -1;
    std::thread m_reader;
    std::atomic<bool> m_stopReading{false};
    SoundRecording m_recording;
    std::atomic<qsizetype> m_recordedSamples{0};
    qint64 m_minimumStartNs = 0;
};
