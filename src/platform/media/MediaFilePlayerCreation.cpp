#include "platform/media/MediaFilePlayerCreation.h"

#include "platform/media/AudioEngine.h"
#include "platform/media/MediaFilePlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

MediaFilePlayerCreation::MediaFilePlayerCreation(AudioEngine *engine, QNetworkAccessManager *manager,
                                                 const QUrl &url, const QString &directory, qint64 maxBytes,
                                                 int timeoutMs, int decodeTimeoutMs)
    : m_engine(engine)
    , m_manager(manager)
    , m_url(url)
    , m_directory(directory)
    , m_maxBytes(maxBytes)
    , m_timeoutMs(timeoutMs)
    , m_decodeTimeoutMs(decodeTimeoutMs)
{
    m_decodeDeadline.setSingleShot(true);
    connect(&m_decodeDeadline, &QTimer::timeout, this,
            [this] { finish(nullptr, QStringLiteral("The track could not be read in time.")); });
}

MediaFilePlayerCreation::~MediaFilePlayerCreation()
{
    cancel();
}

void MediaFilePlayerCreation::start()
{
    const QString scheme = m_url.scheme();
    if (!m_url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        finish(nullptr, QStringLiteral("unsupported URL"));
        return;
    }
    // The process's id in the name tells a later start whose file it is.
    QDir().mkpath(m_directory);
    m_file = std::make_unique<QTemporaryFile>(
        QDir(m_directory).filePath(QStringLiteral("track-%1-XXXXXX.part").arg(QCoreApplication::applicationPid())));
    if (!m_file->open()) {
        const QString reason = m_file->errorString();
        m_file.reset();
        finish(nullptr, QStringLiteral("No file for the track: %1").arg(reason));
        return;
    }
    m_file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // Named at once (Qt may keep it nameless until asked), so that a file a
    // crash leaves behind can be found and removed at the next start.
    m_file->fileName();
    m_connection = new UrlConnection(m_manager, m_url, m_maxBytes, m_timeoutMs, this, this,
                                     UrlConnection::Rule::Download);
    m_connection->start();
}

void MediaFilePlayerCreation::cancel()
{
    m_done = true;
    if (m_connection)
        m_connection->cancel();
    m_decodeDeadline.stop();
    delete m_player;
    delete m_made;
    m_file.reset();
}

void MediaFilePlayerCreation::connectionDidReceiveResponse(UrlConnection *connection, int httpStatus)
{
    // A response after a redirect starts the track afresh.
    m_status = httpStatus;
    m_received = 0;
    if (m_file) {
        m_file->resize(0);
        m_file->seek(0);
    }
    Q_EMIT progress(0, connection->expectedLength());
}

void MediaFilePlayerCreation::connectionDidReceiveData(UrlConnection *connection, const QByteArray &data)
{
    if (m_done || !m_file)
        return;
    if (m_file->write(data) != data.size()) {
        const QString reason = m_file->errorString();
        connection->cancel();
        finish(nullptr, QStringLiteral("The track could not be written: %1").arg(reason));
        return;
    }
    m_received += data.size();
    Q_EMIT progress(m_received, connection->expectedLength());
}

void MediaFilePlayerCreation::connectionDidFinishLoading(UrlConnection *)
{
    // An error page is no track, whatever its bytes decode to.
    if (m_status >= 400) {
        finish(nullptr, QStringLiteral("The server answered with status %1.").arg(m_status));
        return;
    }
    if (!m_file || !m_file->flush()) {
        finish(nullptr, QStringLiteral("The track could not be written."));
        return;
    }
    load();
}

void MediaFilePlayerCreation::connectionDidFailWithError(UrlConnection *, const QString &error)
{
    finish(nullptr, error == UrlConnection::kTooLarge ? QStringLiteral("The track is too large.") : error);
}

void MediaFilePlayerCreation::load()
{
    if (!m_engine) {
        finish(nullptr, QStringLiteral("The track cannot be played now."));
        return;
    }
    m_player = new MediaFilePlayer(std::move(m_file), m_engine, this);
    connect(m_player, &MediaFilePlayer::loadingFinished, this, [this] {
        if (!m_player->isLoaded()) {
            const QString reason = m_player->failure();
            finish(nullptr, reason.isEmpty() ? QStringLiteral("The track cannot be decoded.") : reason);
            return;
        }
        MediaFilePlayer *player = m_player;
        m_player = nullptr;
        finish(player, QString());
    });
    m_decodeDeadline.start(m_decodeTimeoutMs);
}

void MediaFilePlayerCreation::finish(MediaFilePlayer *player, const QString &error)
{
    if (m_done) {
        delete player;
        return;
    }
    m_done = true;
    m_decodeDeadline.stop();
    if (player)
        player->setParent(nullptr);
    delete m_player;
    m_file.reset();
    // Never from inside the call that started it; until then the player is
    // the creation's, and goes with it if it is cancelled.
    m_made = player;
    QMetaObject::invokeMethod(
        this,
        [this, error] {
            MediaFilePlayer *made = m_made;
            m_made = nullptr;
            Q_EMIT finished(made, made ? QString() : error);
        },
        Qt::QueuedConnection);
}
