#include "platform/ui/Slider.h"

#include <climits>
#include <cmath>

namespace {
// Values that cannot be shown (not finite) count as 0.
float finiteOrZero(float value)
{
    return std::isfinite(value) ? value : 0.0f;
}
} // namespace

Slider::Slider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setAccessibleName(QStringLiteral("Position"));
    // A drag changes the value once, where the handle is released.
    setTracking(false);
    applyRange();
    connect(this, &QSlider::valueChanged, this, [this] {
        if (!m_programmatic)
            Q_EMIT userValueChanged(value());
    });
}

void Slider::setMinimumValue(float minimum)
{
    m_minimum = finiteOrZero(minimum);
    applyRange();
}

void Slider::setMaximumValue(float maximum)
{
    m_maximum = finiteOrZero(maximum);
    applyRange();
}

float Slider::value() const
{
    return float(QSlider::value()) / kStepsPerUnit;
}

void Slider::setValue(float newValue)
{
    if (isSliderDown())
        return;
    m_programmatic = true;
    const double scaled = double(finiteOrZero(newValue)) * kStepsPerUnit;
    QSlider::setValue(int(qBound<double>(INT_MIN, std::round(scaled), INT_MAX)));
    m_programmatic = false;
}

void Slider::applyRange()
{
    m_programmatic = true;
    const auto toSteps = [](float v) {
        return int(qBound<double>(INT_MIN / 2, std::round(double(v) * kStepsPerUnit), INT_MAX / 2));
    };
    setRange(toSteps(m_minimum), toSteps(qMax(m_minimum, m_maximum)));
    setSingleStep(kStepsPerUnit);
    setPageStep(10 * kStepsPerUnit);
    m_programmatic = false;
}
