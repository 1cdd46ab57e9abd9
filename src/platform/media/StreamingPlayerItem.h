#pragma once

#include <QObject>
#include <QUrl>

// One stream to play (the toolkit's player item). It reports the end of its
// media and a failure while it belongs to a player; a detached item reports
// nothing.
class StreamingPlayerItem : public QObject
{
    Q_OBJECT

public:
    explicit StreamingPlayerItem(const QUrl &url, QObject *parent = nullptr);

    QUrl url() const { return m_url; }
    // The media's duration in seconds; not a number while it is not known.
    virtual double duration() const = 0;

Q_SIGNALS:
    void didPlayToEndTime();
    void failedToPlayToEndTime(const QString &error);
    // The duration became known or changed.
    void durationChanged(double seconds);

private:
    QUrl m_url;
};
