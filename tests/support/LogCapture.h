#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the lines written to the application's log ("kavu" category)
// while it exists. Other messages go to the previous handler.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    QtMessageHandler m_previous;
};
