#pragma once

#include <QTimer>
#include <QWidget>

// A spinning activity indicator. It animates only while started, and when
// it hides while stopped it is hidden whenever it does not turn.
class ActivityIndicatorView : public QWidget
{
    Q_OBJECT

public:
    enum class Style { WhiteLarge, White, Gray };

    explicit ActivityIndicatorView(Style style, QWidget *parent = nullptr);

    Style style() const { return m_style; }
    static QSize sizeForStyle(Style style);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }

    void setHidesWhenStopped(bool hides);
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }

    // Places the indicator's centre at a point of its parent.
    void setCenter(const QPointF &center);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Style m_style;
    bool m_animating = false;
    bool m_hidesWhenStopped = true;
    int m_phase = 0;
    QTimer m_timer;
};
