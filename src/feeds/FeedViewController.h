#pragma once

#include "platform/PlatformServices.h"
#include "platform/ui/TextView.h"
#include "platform/net/UrlConnection.h"
#include "platform/ui/ViewController.h"

#include <QByteArray>
#include <QPointer>

#include <optional>

// What the news and developers screens share: a read-only, centred text view
// that shows a feed's text, or the failure, as it arrives on a connection.
class FeedViewController : public ViewController, public UrlConnectionDelegate
{
    Q_OBJECT

public:
    static constexpr qint64 kFeedLimit = 1024 * 1024;

    TextView *textView() const { return m_textView; }
    void setTextView(TextView *view) { m_textView = view; }
    std::optional<QByteArray> responseData() const { return m_responseData; }
    void setResponseData(const std::optional<QByteArray> &data) { m_responseData = data; }

    void connectionDidReceiveResponse(UrlConnection *connection, int httpStatus) override;
    void connectionDidReceiveData(UrlConnection *connection, const QByteArray &data) override;
    void connectionDidFinishLoading(UrlConnection *connection) override;
    void connectionDidFailWithError(UrlConnection *connection, const QString &error) override;

protected:
    explicit FeedViewController(const PlatformServices &services, QWidget *parent = nullptr);

    const PlatformServices &services() const { return m_services; }
    // Builds the text view with a frame and a resizing rule.
    void createTextView(const QRectF &frame, int autoresizingMask);
    // Starts a connection for the feed's address with this screen as its
    // delegate.
    void startConnection(const QString &address);

private:
    PlatformServices m_services;
    QPointer<TextView> m_textView;
    std::optional<QByteArray> m_responseData;
};
