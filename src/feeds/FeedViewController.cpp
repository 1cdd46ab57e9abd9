#include "feeds/FeedViewController.h"

#include "platform/ui/Autoresizing.h"
#include "platform/ui/Geometry.h"
#include "platform/net/TextDecoding.h"
#include "platform/net/UrlLoader.h"
#include "platform/net/UrlText.h"

FeedViewController::FeedViewController(const PlatformServices &services, QWidget *parent)
    : ViewController(parent)
    , m_services(services)
{
}

void FeedViewController::createTextView(const QRectF &frame, int autoresizingMask)
{
    auto *text = new TextView(view());
    Geometry::setFrame(text, frame);
    text->setTextAlignment(Qt::AlignHCenter);
    text->setEditable(false);
    Geometry::addSubview(view(), text);
    Autoresizing::setMask(text, autoresizingMask);
    setTextView(text);
}

void FeedViewController::startConnection(const QString &address)
{
    m_services.urlLoader
        ->connectionWithRequest(urlWithString(address).value_or(QUrl()), kFeedLimit, this, this)
        ->start();
}

void FeedViewController::connectionDidReceiveResponse(UrlConnection *, int)
{
    setResponseData(QByteArray());
}

void FeedViewController::connectionDidReceiveData(UrlConnection *, const QByteArray &data)
{
    if (m_responseData)
        m_responseData->append(data);
}

void FeedViewController::connectionDidFinishLoading(UrlConnection *)
{
    const std::optional<QString> text = decodeUtf8(m_responseData.value_or(QByteArray()));
    textView()->setText(text ? *text : QStringLiteral("Failed to decode data."));
}

void FeedViewController::connectionDidFailWithError(UrlConnection *, const QString &error)
{
    textView()->setText(QStringLiteral("Error: %1").arg(error));
}
