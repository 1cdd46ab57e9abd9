#include "platform/media/StreamingPlayerItem.h"

StreamingPlayerItem::StreamingPlayerItem(const QUrl &url, QObject *parent)
    : QObject(parent)
    , m_url(url)
{
}
