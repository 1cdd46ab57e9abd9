#include "platform/media/MediaFilePlayerFactory.h"

#include "platform/media/MediaFilePlayerCreation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

MediaFilePlayerFactory::MediaFilePlayerFactory(AudioEngine *engine, QNetworkAccessManager *manager,
                                               const QString &directory)
    : m_engine(engine)
    , m_manager(manager)
    , m_directory(directory)
{
    removeLeftoverTracks(directory);
}

void MediaFilePlayerFactory::setLimits(qint64 maxBytes, int timeoutMs)
{
    m_maxBytes = maxBytes;
    m_timeoutMs = timeoutMs;
}

void MediaFilePlayerFactory::removeLeftoverTracks(const QString &directory)
{
    static const QRegularExpression name(QStringLiteral("^(?:track|stream)-(\\d+)-.+\\.part$"));
    const QDir folder(directory);
    for (const QString &file :
         folder.entryList({QStringLiteral("track-*.part"), QStringLiteral("stream-*.part")}, QDir::Files)) {
        const QRegularExpressionMatch match = name.match(file);
        // A file of a Kavu that still runs (kavu and kavu-demo share the
        // folder) stays.
        if (match.hasMatch() && !QFileInfo::exists(QStringLiteral("/proc/%1").arg(match.captured(1))))
            QFile::remove(folder.filePath(file));
    }
}

FilePlayerCreation *MediaFilePlayerFactory::createWithContentsOfURL(const QUrl &url)
{
    auto *creation = new MediaFilePlayerCreation(m_engine, m_manager, url, m_directory, m_maxBytes, m_timeoutMs,
                                                 kDecodeTimeoutMs);
    creation->start();
    return creation;
}
