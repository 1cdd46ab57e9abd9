#include "platform/nowplaying/MprisNowPlayingCenter.h"

#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/MprisPlayerAdaptor.h"
#include "platform/nowplaying/MprisRootAdaptor.h"

#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QUrl>

#include <cmath>

Q_LOGGING_CATEGORY(lcMpris, "kavu.mpris")

namespace {
// A position that differs from the expected one by more than this jumped.
constexpr double kSeekThresholdSeconds = 1.5;
} // namespace

MprisNowPlayingCenter::MprisNowPlayingCenter(const QDBusConnection &connection,
                                             const QString &desktopEntry,
                                             const QString &artworkDirectory, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_serviceName(QString::fromLatin1(kServiceName))
    , m_artworkDirectory(artworkDirectory)
{
    if (!m_connection.isConnected()) {
        qCInfo(lcMpris) << "No session bus: what plays is not published to the desktop.";
        return;
    }
    m_exported = new QObject(this);
    new MprisRootAdaptor(m_exported, desktopEntry);
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
}

MprisNowPlayingCenter::~MprisNowPlayingCenter()
{
    if (m_registered) {
        m_connection.unregisterService(m_serviceName);
        m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
    }
    if (!m_artworkFile.isEmpty())
        QFile::remove(m_artworkFile);
}

QString MprisNowPlayingCenter::playbackStatus() const
{
    return MprisMetadata::playbackStatus(m_info);
}

double MprisNowPlayingCenter::rate() const
{
    return m_info && m_info->playbackRate != 0 ? double(m_info->playbackRate) : 1.0;
}

QVariantMap MprisNowPlayingCenter::metadata() const
{
    const QString artUrl =
        m_artworkFile.isEmpty() ? QString() : QUrl::fromLocalFile(m_artworkFile).toString();
    return MprisMetadata::metadata(m_info, m_trackIdPath, artUrl);
}

qlonglong MprisNowPlayingCenter::positionMicroseconds() const
{
    if (!m_info)
        return 0;
    double seconds = m_info->elapsedPlaybackTime
        + m_info->playbackRate * (m_sincePublished.isValid() ? m_sincePublished.elapsed() / 1000.0 : 0);
    if (std::isfinite(m_info->playbackDuration) && m_info->playbackDuration > 0)
        seconds = qMin(seconds, m_info->playbackDuration);
    return MprisMetadata::microseconds(seconds);
}

void MprisNowPlayingCenter::setNowPlayingInfo(const std::optional<NowPlayingInfo> &info)
{
    const QString oldStatus = playbackStatus();
    const double oldRate = rate();
    const QVariantMap oldMetadata = metadata();
    const bool hadInfo = m_info.has_value();
    const double expected = positionMicroseconds() / 1e6;
    const bool sameTrack = hadInfo && info && m_info->title == info->title
        && m_info->artist == info->artist;

    if (info && !sameTrack)
        m_trackIdPath = QStringLiteral("/org/kavu/Kavu/track/%1").arg(++m_trackNumber);
    m_info = info;
    m_sincePublished.start();
    // Without a bus nobody reads the artwork file: no picture is encoded.
    if (!m_registered)
        return;
    updateArtwork(info ? info->artwork : QImage());

    QVariantMap changed;
    if (playbackStatus() != oldStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), playbackStatus());
    if (rate() != oldRate)
        changed.insert(QStringLiteral("Rate"), rate());
    const QVariantMap newMetadata = metadata();
    if (newMetadata != oldMetadata)
        changed.insert(QStringLiteral("Metadata"), newMetadata);
    if (!changed.isEmpty())
        emitPropertiesChanged(changed);
    if (sameTrack && std::abs(info->elapsedPlaybackTime - expected) > kSeekThresholdSeconds)
        Q_EMIT m_player->Seeked(positionMicroseconds());
}

void MprisNowPlayingCenter::updateArtwork(const QImage &artwork)
{
    const qint64 key = artwork.isNull() ? 0 : artwork.cacheKey();
    if (key == m_artworkKey)
        return;
    m_artworkKey = key;
    if (!m_artworkFile.isEmpty()) {
        QFile::remove(m_artworkFile);
        m_artworkFile.clear();
    }
    if (artwork.isNull() || m_artworkDirectory.isEmpty())
        return;
    QDir().mkpath(m_artworkDirectory);
    // A new name for every picture, so that shells do not show a stale one.
    const QString path = QDir(m_artworkDirectory)
                             .filePath(QStringLiteral("now-playing-%1-%2.png")
                                           .arg(QCoreApplication::applicationPid())
                                           .arg(quint64(key)));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && artwork.save(&file, "PNG") && file.commit())
        m_artworkFile = path;
}

void MprisNowPlayingCenter::emitPropertiesChanged(const QVariantMap &changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_connection.send(signal);
}
