#include "platform/media/MediaFilePlayerFactory.h"

#include "platform/media/MediaFilePlayer.h"
#include "platform/net/UrlConnection.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// Gathers the track's bytes and ends the waiting loop.
class TrackDownload : public QObject, public UrlConnectionDelegate
{
public:
    explicit TrackDownload(QEventLoop *loop)
        : m_loop(loop)
    {
    }

    void connectionDidReceiveResponse(UrlConnection *, int httpStatus) override
    {
        bytes.clear();
        status = httpStatus;
    }
    void connectionDidReceiveData(UrlConnection *, const QByteArray &data) override
    {
        bytes.append(data);
    }
    void connectionDidFinishLoading(UrlConnection *) override
    {
        finished = true;
        m_loop->quit();
    }
    void connectionDidFailWithError(UrlConnection *, const QString &failure) override
    {
        error = failure == UrlConnection::kTooLarge ? QStringLiteral("The track is too large.") : failure;
        finished = true;
        m_loop->quit();
    }

    QByteArray bytes;
    QString error;
    int status = 0;
    bool finished = false;

private:
    QEventLoop *m_loop;
};

} // namespace

MediaFilePlayerFactory::MediaFilePlayerFactory(QNetworkAccessManager *manager)
    : m_manager(manager)
{
}

void MediaFilePlayerFactory::setLimits(qint64 maxBytes, int timeoutMs)
{
    m_maxBytes = maxBytes;
    m_timeoutMs = timeoutMs;
}

FilePlayer *MediaFilePlayerFactory::createWithContentsOfURL(const QUrl &url, QString *error)
{
    const auto failWith = [error](const QString &text) -> FilePlayer * {
        if (error)
            *error = text;
        return nullptr;
    };
    if (m_creating)
        return failWith(QStringLiteral("Another track is being loaded."));
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return failWith(QStringLiteral("unsupported URL"));

    m_creating = true;
    QEventLoop loop;
    TrackDownload download(&loop);
    auto *connection = new UrlConnection(m_manager, url, m_maxBytes, m_timeoutMs, &download, &download);
    connection->start();
    if (!download.finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // An error page is no track, whatever its bytes decode to.
    if (download.error.isEmpty() && download.status >= 400)
        download.error = QStringLiteral("The server answered with status %1.").arg(download.status);
    if (!download.error.isEmpty()) {
        m_creating = false;
        return failWith(download.error);
    }

    auto player = std::make_unique<MediaFilePlayer>(download.bytes, url);
    download.bytes.clear();
    QString decodeError;
    const bool loaded = player->waitUntilLoaded(loop, &decodeError);
    m_creating = false;
    if (!loaded)
        return failWith(decodeError);
    return player.release();
}
