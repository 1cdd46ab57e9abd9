#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>

class AudioEngine;
class QLabel;
class QPushButton;
class QWidget;
class Slider;

// The controls both player screens have beside their own: the time played
// and the time left at the ends of the position slider, and the
// application's one volume with its mute toggle. They are made as children
// of a view of the screen and take the frames of the screen's layout. While
// the scope view shows, Ctrl+Up and Ctrl+Down change the volume by 5 % and
// M mutes and unmutes (a text field with the focus keeps its letters).
class VolumeAndTimeControls : public QObject
{
    Q_OBJECT

public:
    static constexpr double kVolumeStep = 0.05;

    struct Frames
    {
        QRectF elapsedLabel;
        QRectF remainingLabel;
        QRectF muteButton;
        QRectF volumeSlider;
    };

    // engine may be null: the volume controls then show full volume and do
    // nothing.
    VolumeAndTimeControls(QWidget *parent, AudioEngine *engine, QWidget *scope);

    void setFrames(const Frames &frames);
    void setHidden(bool hidden);
    // The times, as text and for a screen reader (which reads a label's
    // accessible name instead of its text): "Time played: 0:03".
    void showTime(double seconds, double duration);

    QLabel *elapsedLabel() const { return m_elapsed; }
    QLabel *remainingLabel() const { return m_remaining; }
    QPushButton *muteButton() const { return m_mute; }
    Slider *volumeSlider() const { return m_volume; }

private:
    static void showTimeIn(QLabel *label, const QString &what, const QString &time);
    void showVolume();
    void stepVolume(double step);

    QPointer<AudioEngine> m_engine;
    QLabel *m_elapsed;
    QLabel *m_remaining;
    QPushButton *m_mute;
    Slider *m_volume;
};
