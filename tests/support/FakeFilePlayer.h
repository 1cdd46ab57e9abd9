#pragma once

#include "platform/media/FilePlayer.h"
#include "platform/media/FilePlayerCreation.h"
#include "platform/media/FilePlayerFactory.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QUrl>

// A file player that plays nothing; tests end its track with finish().
class FakeFilePlayer : public FilePlayer
{
    Q_OBJECT

public:
    explicit FakeFilePlayer(double duration)
        : m_duration(duration)
    {
    }

    bool play() override
    {
        m_playing = true;
        calls << QStringLiteral("play");
        return true;
    }
    void pause() override
    {
        m_playing = false;
        calls << QStringLiteral("pause");
    }
    void stop() override
    {
        m_playing = false;
        calls << QStringLiteral("stop");
    }
    bool isPlaying() const override { return m_playing; }
    double duration() const override { return m_duration; }
    double currentTime() const override { return m_time; }
    void setCurrentTime(double seconds) override
    {
        m_time = seconds;
        calls << QStringLiteral("time %1").arg(seconds);
    }

    void finish(bool successfully)
    {
        m_playing = false;
        if (delegate())
            delegate()->audioPlayerDidFinishPlaying(this, successfully);
    }

    QStringList calls;

private:
    double m_duration;
    double m_time = 0;
    bool m_playing = false;
};

// A creation that finishes when its factory says so.
class FakeFilePlayerCreation : public FilePlayerCreation
{
    Q_OBJECT

public:
    void cancel() override { cancelled = true; }
    // Reports the outcome unless cancelled, as a real creation does.
    void complete(FilePlayer *player, const QString &error)
    {
        if (cancelled)
            delete player;
        else
            Q_EMIT finished(player, error);
    }

    bool cancelled = false;
};

// Makes fake file players, on the next turn of the event loop, or when a
// test calls finishCreation() if creations are deferred; or fails.
class FakeFilePlayerFactory : public FilePlayerFactory
{
public:
    FilePlayerCreation *createWithContentsOfURL(const QUrl &url) override
    {
        urls.append(url);
        auto *creation = new FakeFilePlayerCreation;
        creations.append(creation);
        if (!deferred)
            QMetaObject::invokeMethod(creation, [this, creation] { finishCreation(creation); },
                                      Qt::QueuedConnection);
        return creation;
    }

    void finishCreation(FakeFilePlayerCreation *creation)
    {
        if (!failure.isEmpty()) {
            creation->complete(nullptr, failure);
            return;
        }
        auto *player = new FakeFilePlayer(duration);
        players.append(player);
        creation->complete(player, QString());
    }

    FakeFilePlayer *lastPlayer() const { return players.isEmpty() ? nullptr : players.last().data(); }

    QString failure;
    double duration = 180.0;
    bool deferred = false;
    QList<QUrl> urls;
    QList<QPointer<FakeFilePlayer>> players;
    QList<QPointer<FakeFilePlayerCreation>> creations;
};
