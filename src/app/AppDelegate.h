#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>



// The application delegate. Launching answers yes and does nothing else;
// the lifecycle callbacks do nothing: every screen keeps its own state.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    QWidget *window() const { return m_window; }
    void setWindow(QWidget *window) { m_window = window; }

    bool applicationDidFinishLaunchingWithOptions(const QVariantMap &launchOptions);
    void applicationWillResignActive();
    void applicationDidEnterBackground();
    void applicationWillEnterForeground();
    void applicationDidBecomeActive();
    void applicationWillTerminate();

private:
    QPointer<QWidget> m_window;
};
