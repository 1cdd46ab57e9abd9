#pragma once

#include "platform/media/FilePlayer.h"
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

// Makes fake file players at once, or fails with an error.
class FakeFilePlayerFactory : public FilePlayerFactory
{
public:
    FilePlayer *createWithContentsOfURL(const QUrl &url, QString *error) override
    {
        urls.append(url);
        if (!failure.isEmpty()) {
            *error = failure;
            return nullptr;
        }
        auto *player = new FakeFilePlayer(duration);
        players.append(player);
        return player;
    }

    FakeFilePlayer *lastPlayer() const { return players.isEmpty() ? nullptr : players.last().data(); }

    QString failure;
    double duration = 180.0;
    QList<QUrl> urls;
    QList<QPointer<FakeFilePlayer>> players;
};
