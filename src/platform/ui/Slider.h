#pragma once

#include <QSlider>

// A horizontal slider with a fractional range and value. userValueChanged is
// sent only for changes the user makes, never for values set by the
// program: once when a dragged handle is released, once per step of a click
// on the groove or a key. While the user holds the handle, values set by the
// program leave it where the user put it.
class Slider : public QSlider
{
    Q_OBJECT

public:
    explicit Slider(QWidget *parent = nullptr);

    float minimumValue() const { return m_minimum; }
    float maximumValue() const { return m_maximum; }
    void setMinimumValue(float minimum);
    void setMaximumValue(float maximum);

    float value() const;
    void setValue(float value);

Q_SIGNALS:
    void userValueChanged(float value);

private:
    void applyRange();
    static constexpr int kStepsPerUnit = 1000;

    float m_minimum = 0.0f;
    float m_maximum = 1.0f;
    bool m_programmatic = false;
};
