#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class DemoService;
class KavuApplication;
class QWidget;

// A scripted walk through Kavu on its demo service, done the way a person
// would: it clicks links in the pages and presses the buttons, saves a
// picture of the window at each step, and checks what each step must show.
// It stops at the first step that does not hold.
class DemoTour : public QObject
{
    Q_OBJECT

public:
    DemoTour(KavuApplication *kavu, DemoService *demo, const QString &directory);

    // Runs every step; 0 when all held, 1 otherwise.
    int run();

    // Lines printed so far, one per step.
    QStringList report() const { return m_report; }

    // Stops the tour at a step whose expectation is broken on purpose, to
    // show that the tour can fail (used once by hand, never in CI).
    void setBrokenStep(const QString &step) { m_brokenStep = step; }

private:
    bool step(const QString &name, const std::function<bool(QString &why)> &body);
    bool waitFor(const std::function<bool()> &condition, int timeoutMs = 15000);
    void pause(int ms);
    bool screenshot(const QString &name);
    bool clickElement(QWidget *webView, const QString &selector);
    bool pressButton(QWidget *root, const QString &accessibleName);
    bool pressAlertButton(const QString &title);
    void showTab(int index);
    QString playbackStatus() const;

    KavuApplication *m_kavu;
    DemoService *m_demo;
    QDir m_directory;
    QStringList m_report;
    QString m_brokenStep;
    int m_number = 0;
};
