#pragma once

#include <QObject>
#include <QString>

#include <functional>

// A titled button of a navigation bar. Pressing it runs its action.
class BarButtonItem : public QObject
{
    Q_OBJECT

public:
    enum class Style { Plain, Bordered, Done };

    BarButtonItem(const QString &title, Style style, std::function<void()> action,
                  QObject *parent = nullptr);

    QString title() const { return m_title; }
    Style style() const { return m_style; }

    // What a press does; the bar calls it when its button is clicked.
    void trigger();

private:
    QString m_title;
    Style m_style;
    std::function<void()> m_action;
};
