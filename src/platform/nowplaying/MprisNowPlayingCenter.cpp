#include "platform/nowplaying/MprisNowPlayingCenter.h"

#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/MprisPlayerAdaptor.h"
#include "platform/nowplaying/MprisRootAdaptor.h"
#include "platform/nowplaying/NowPlayingCommandTarget.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent>

#include <cmath>

Q_LOGGING_CATEGORY(lcMpris, "kavu.mpris")

namespace {

const QString kCanFlags[] = {QStringLiteral("CanPlay"), QStringLiteral("CanPause"), QStringLiteral("CanSeek"),
                             QStringLiteral("CanGoNext"), QStringLiteral("CanGoPrevious")};

// Writes a picture as PNG; the path on success, else nothing.
QString writeArtwork(const QImage &artwork, const QString &path)
{
    // Unbuffered: on a full disk the writes fail, not a flush that the
    // commit would not see.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && artwork.save(&file, "PNG") && file.commit())
        return path;
    return QString();
}

} // namespace

MprisNowPlayingCenter::MprisNowPlayingCenter(const QDBusConnection &connection,
                                             const QString &desktopEntry,
                                             const QString &artworkDirectory, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_serviceName(QString::fromLatin1(kServiceName))
    , m_artworkDirectory(artworkDirectory)
{
    connect(&m_artworkWriter, &QFutureWatcher<QString>::finished, this, [this] {
        m_artworkWriting = false;
        const QString written = m_artworkWriter.result();
        if (!written.isEmpty() && m_artworkWrittenKey == m_artworkKey) {
            m_artworkFile = written;
            changed();
            return;
        }
        // A full disk or a caches folder that cannot be made leaves the
        // record without a picture; that is said once.
        if (written.isEmpty() && !m_artworkFailureLogged) {
            m_artworkFailureLogged = true;
            qCWarning(lcMpris).noquote() << "The now-playing picture cannot be written to" << m_artworkDirectory;
        }
        // A picture the owner no longer shows goes at once; the one it
        // shows now is written next.
        if (!written.isEmpty())
            QFile::remove(written);
        if (m_artworkKey != 0 && m_artworkWrittenKey != m_artworkKey)
            writeArtworkOf(m_artworkKey);
    });
    if (!m_connection.isConnected()) {
        qCInfo(lcMpris) << "No session bus: what plays is not published to the desktop.";
        return;
    }
    m_exported = new QObject(this);
    new MprisRootAdaptor(m_exported, desktopEntry, this);
    m_player = new MprisPlayerAdaptor(m_exported, this);
    if (!m_connection.registerObject(QString::fromLatin1(kObjectPath), m_exported)) {
        qCInfo(lcMpris) << "Could not publish the MPRIS object:" << m_connection.lastError().message();
        return;
    }
    // A second running Kavu takes a name of its own, as MPRIS allows.
    if (!m_connection.registerService(m_serviceName)) {
        m_serviceName += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!m_connection.registerService(m_serviceName)) {
            qCInfo(lcMpris) << "Could not take an MPRIS name:" << m_connection.lastError().message();
            m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
            return;
        }
    }
    m_registered = true;
    m_published = properties();
}

MprisNowPlayingCenter::~MprisNowPlayingCenter()
{
    if (m_registered) {
        m_connection.unregisterService(m_serviceName);
        m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
    }
    m_artworkWriter.waitForFinished();
    if (m_artworkWriter.future().isValid() && !m_artworkWriter.result().isEmpty())
        QFile::remove(m_artworkWriter.result());
    if (!m_artworkFile.isEmpty())
        QFile::remove(m_artworkFile);
}

void MprisNowPlayingCenter::setRaiseHandler(std::function<void(NowPlayingCommandTarget *)> handler)
{
    m_raise = std::move(handler);
}

void MprisNowPlayingCenter::setQuitHandler(std::function<void()> handler)
{
    m_quit = std::move(handler);
}

void MprisNowPlayingCenter::setVolumeControl(std::function<double()> read, std::function<void(double)> write)
{
    m_readVolume = std::move(read);
    m_writeVolume = std::move(write);
    changed();
}

double MprisNowPlayingCenter::volume() const
{
    return m_readVolume ? m_readVolume() : 1.0;
}

void MprisNowPlayingCenter::setVolume(double volume)
{
    // MPRIS allows any value; below 0 is 0 and the application has no
    // more than full volume.
    if (m_writeVolume && std::isfinite(volume))
        m_writeVolume(qBound(0.0, volume, 1.0));
}

void MprisNowPlayingCenter::volumeChanged()
{
    changed();
}

MprisNowPlayingCenter::Source &MprisNowPlayingCenter::source(NowPlayingCommandTarget *target)
{
    Source &entry = m_sources[target];
    if (entry.number == 0)
        entry.number = m_nextSourceNumber++;
    return entry;
}

const MprisNowPlayingCenter::Source *MprisNowPlayingCenter::ownerSource() const
{
    const auto found = m_sources.constFind(m_owner);
    return found == m_sources.cend() ? nullptr : &found.value();
}

void MprisNowPlayingCenter::setNowPlayingInfo(NowPlayingCommandTarget *target,
                                              const std::optional<NowPlayingInfo> &info)
{
    Source &entry = source(target);
    entry.info = info;
    entry.sincePublished.start();
    // The first source with a record is the owner until another starts.
    if (!m_owner && info)
        m_owner = target;
    if (target == m_owner)
        changed();
}

void MprisNowPlayingCenter::setNowPlayingState(NowPlayingCommandTarget *target, NowPlayingState state)
{
    Source &entry = source(target);
    if (entry.state == state)
        return;
    entry.state = state;
    // The screen that starts playing takes the desktop over (one that goes
    // on playing in the background does not take it back).
    if (state == NowPlayingState::Playing)
        m_owner = target;
    if (target == m_owner)
        changed();
}

void MprisNowPlayingCenter::seeked(NowPlayingCommandTarget *target)
{
    if (target != m_owner || !m_registered)
        return;
    // What changed with the seek goes out before it.
    publishChanges();
    Q_EMIT m_player->Seeked(positionMicroseconds());
}

void MprisNowPlayingCenter::removeSource(NowPlayingCommandTarget *target)
{
    m_sources.remove(target);
    if (target == m_owner) {
        m_owner = nullptr;
        changed();
    }
}

QString MprisNowPlayingCenter::playbackStatus() const
{
    const Source *owner = ownerSource();
    return owner ? MprisMetadata::playbackStatus(owner->info, owner->state) : QStringLiteral("Stopped");
}

bool MprisNowPlayingCenter::canControl() const
{
    const Source *owner = ownerSource();
    return owner && MprisMetadata::canControl(owner->state);
}

QString MprisNowPlayingCenter::trackIdPath() const
{
    const Source *owner = ownerSource();
    if (!owner || !owner->info)
        return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    return QStringLiteral("/org/kavu/Kavu/screen%1/track%2").arg(owner->number).arg(owner->info->track);
}

QVariantMap MprisNowPlayingCenter::metadata() const
{
    const Source *owner = ownerSource();
    const QString artUrl =
        m_artworkFile.isEmpty() ? QString() : QUrl::fromLocalFile(m_artworkFile).toString();
    return MprisMetadata::metadata(owner ? owner->info : std::nullopt, trackIdPath(), artUrl);
}

qlonglong MprisNowPlayingCenter::positionMicroseconds() const
{
    const Source *owner = ownerSource();
    if (!owner || !owner->info)
        return 0;
    const NowPlayingInfo &info = *owner->info;
    double seconds = info.elapsedPlaybackTime;
    if (owner->state == NowPlayingState::Playing && owner->sincePublished.isValid())
        seconds += info.playbackRate * owner->sincePublished.elapsed() / 1000.0;
    if (std::isfinite(info.playbackDuration) && info.playbackDuration > 0)
        seconds = qMin(seconds, info.playbackDuration);
    return MprisMetadata::microseconds(seconds);
}

QVariantMap MprisNowPlayingCenter::properties() const
{
    QVariantMap map;
    map.insert(QStringLiteral("PlaybackStatus"), playbackStatus());
    map.insert(QStringLiteral("Metadata"), metadata());
    map.insert(QStringLiteral("Volume"), volume());
    for (const QString &flag : kCanFlags)
        map.insert(flag, canControl());
    return map;
}

void MprisNowPlayingCenter::changed()
{
    updateArtwork();
    if (!m_registered || m_publishScheduled)
        return;
    m_publishScheduled = true;
    QTimer::singleShot(0, this, &MprisNowPlayingCenter::publishChanges);
}

void MprisNowPlayingCenter::publishChanges()
{
    m_publishScheduled = false;
    if (!m_registered)
        return;
    const QVariantMap now = properties();
    QVariantMap changedProperties;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_published.value(it.key()) != it.value())
            changedProperties.insert(it.key(), it.value());
    }
    m_published = now;
    if (!changedProperties.isEmpty()) {
        emitPropertiesChanged(changedProperties);
        Q_EMIT published(now);
    }
}

void MprisNowPlayingCenter::updateArtwork()
{
    const Source *owner = ownerSource();
    const QImage artwork = owner && owner->info ? owner->info->artwork : QImage();
    // Without a bus nobody reads the artwork file: no picture is encoded.
    const qint64 key = artwork.isNull() || !m_registered ? 0 : artwork.cacheKey();
    if (key == m_artworkKey)
        return;
    m_artworkKey = key;
    if (!m_artworkFile.isEmpty()) {
        QFile::remove(m_artworkFile);
        m_artworkFile.clear();
    }
    if (key == 0 || m_artworkDirectory.isEmpty())
        return;
    // One picture at a time; a newer one is written when the writer is free.
    // Free means its result was taken: a writer that has finished but whose
    // signal has not come yet still owns its file, and a new future would
    // drop that signal and leave the file behind.
    if (!m_artworkWriting)
        writeArtworkOf(key);
}

void MprisNowPlayingCenter::writeArtworkOf(qint64 key)
{
    const Source *owner = ownerSource();
    if (!owner || !owner->info)
        return;
    QDir().mkpath(m_artworkDirectory);
    // A new name for every picture, so that shells do not show a stale one.
    const QString path = QDir(m_artworkDirectory)
                             .filePath(QStringLiteral("now-playing-%1-%2.png")
                                           .arg(QCoreApplication::applicationPid())
                                           .arg(quint64(key)));
    // Encoding takes some 15 ms for a cover: not on the GUI thread.
    m_artworkWrittenKey = key;
    m_artworkWriting = true;
    m_artworkWriter.setFuture(QtConcurrent::run(writeArtwork, owner->info->artwork, path));
}

void MprisNowPlayingCenter::emitPropertiesChanged(const QVariantMap &changedProperties)
{
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changedProperties << QStringList();
    m_connection.send(signal);
}

void MprisNowPlayingCenter::playPause()
{
    if (canControl())
        m_owner->remotePlayPause();
}

void MprisNowPlayingCenter::play()
{
    if (canControl() && ownerSource()->state != NowPlayingState::Playing)
        m_owner->remotePlayPause();
}

void MprisNowPlayingCenter::pause()
{
    if (canControl() && ownerSource()->state == NowPlayingState::Playing)
        m_owner->remotePlayPause();
}

void MprisNowPlayingCenter::stop()
{
    if (!canControl())
        return;
    pause();
    if (m_owner)
        m_owner->remotePrevious();
}

void MprisNowPlayingCenter::next()
{
    if (canControl())
        m_owner->remoteNext();
}

void MprisNowPlayingCenter::previous()
{
    if (canControl())
        m_owner->remotePrevious();
}

void MprisNowPlayingCenter::seek(qlonglong offsetMicroseconds)
{
    if (!canControl())
        return;
    const double target = qMax<double>(0, (positionMicroseconds() + double(offsetMicroseconds)) / 1e6);
    const std::optional<NowPlayingInfo> &info = ownerSource()->info;
    // Past the end is the next track, as MPRIS has it.
    if (info && std::isfinite(info->playbackDuration) && info->playbackDuration > 0
        && target > info->playbackDuration)
        m_owner->remoteNext();
    else
        m_owner->remoteSeekTo(target);
}

void MprisNowPlayingCenter::setPosition(const QString &trackId, qlonglong positionMicroseconds)
{
    // A stale track's position is no position of this one.
    if (!canControl() || trackId != trackIdPath() || positionMicroseconds < 0)
        return;
    const std::optional<NowPlayingInfo> &info = ownerSource()->info;
    if (info && std::isfinite(info->playbackDuration) && info->playbackDuration > 0
        && positionMicroseconds > MprisMetadata::microseconds(info->playbackDuration))
        return;
    m_owner->remoteSeekTo(positionMicroseconds / 1e6);
}

void MprisNowPlayingCenter::raise()
{
    if (m_raise)
        m_raise(m_owner);
}

void MprisNowPlayingCenter::quit()
{
    if (m_quit)
        m_quit();
}
