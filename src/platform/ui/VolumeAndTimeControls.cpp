#include "platform/ui/VolumeAndTimeControls.h"

#include "platform/media/AudioEngine.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/PlaybackTime.h"
#include "platform/ui/Slider.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>

#include <limits>

namespace {

QLabel *makeTimeLabel(QWidget *parent, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignVCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

} // namespace

VolumeAndTimeControls::VolumeAndTimeControls(QWidget *parent, AudioEngine *engine, QWidget *scope)
    : QObject(parent)
    , m_engine(engine)
    , m_elapsed(makeTimeLabel(parent, Qt::AlignLeft))
    , m_remaining(makeTimeLabel(parent, Qt::AlignRight))
    , m_mute(new QPushButton(parent))
    , m_volume(new Slider(parent))
{
    showTime(0, std::numeric_limits<double>::quiet_NaN());
    m_mute->setCheckable(true);
    m_mute->setFlat(true);
    m_volume->setAccessibleName(QStringLiteral("Volume"));
    m_volume->setMinimumValue(0.0f);
    m_volume->setMaximumValue(1.0f);
    connect(m_volume, &Slider::userValueChanged, this, [this](float value) {
        if (m_engine)
            m_engine->setVolume(value);
    });
    connect(m_mute, &QPushButton::clicked, this, [this] {
        if (m_engine)
            m_engine->setMuted(!m_engine->isMuted());
        showVolume();
    });
    if (engine) {
        connect(engine, &AudioEngine::volumeChanged, this, &VolumeAndTimeControls::showVolume);
        connect(engine, &AudioEngine::mutedChanged, this, &VolumeAndTimeControls::showVolume);
    }
    const auto key = [this, scope](const QKeySequence &sequence, std::function<void()> action) {
        auto *shortcut = new QShortcut(sequence, scope);
        connect(shortcut, &QShortcut::activated, this, std::move(action));
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Up), [this] { stepVolume(kVolumeStep); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { stepVolume(-kVolumeStep); });
    key(QKeySequence(Qt::Key_M), [this] { m_mute->click(); });
    showVolume();
}

void VolumeAndTimeControls::setFrames(const Frames &frames)
{
    Geometry::setFrame(m_elapsed, frames.elapsedLabel);
    Geometry::setFrame(m_remaining, frames.remainingLabel);
    Geometry::setFrame(m_mute, frames.muteButton);
    Geometry::setFrame(m_volume, frames.volumeSlider);
}

void VolumeAndTimeControls::setHidden(bool hidden)
{
    for (QWidget *control : {static_cast<QWidget *>(m_elapsed), static_cast<QWidget *>(m_remaining),
                             static_cast<QWidget *>(m_mute), static_cast<QWidget *>(m_volume)})
        control->setHidden(hidden);
}

void VolumeAndTimeControls::showTime(double seconds, double duration)
{
    showTimeIn(m_elapsed, QStringLiteral("Time played"), PlaybackTime::elapsed(seconds, duration));
    showTimeIn(m_remaining, QStringLiteral("Time left"), PlaybackTime::remaining(seconds, duration));
}

void VolumeAndTimeControls::showTimeIn(QLabel *label, const QString &what, const QString &time)
{
    if (label->text() == time && !label->accessibleName().isEmpty())
        return;
    label->setText(time);
    // A label's accessible name replaces its text for a screen reader: the
    // name says what the time is, and the time itself.
    label->setAccessibleName(
        QStringLiteral("%1: %2").arg(what, time == PlaybackTime::unknown() ? QStringLiteral("not known") : time));
}

void VolumeAndTimeControls::stepVolume(double step)
{
    if (m_engine)
        m_engine->setVolume(m_engine->volume() + step);
}

void VolumeAndTimeControls::showVolume()
{
    const bool muted = m_engine && m_engine->isMuted();
    m_volume->setValue(float(m_engine ? m_engine->volume() : 1.0));
    m_mute->setChecked(muted);
    m_mute->setIcon(m_mute->style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    m_mute->setAccessibleName(muted ? QStringLiteral("Unmute") : QStringLiteral("Mute"));
}
