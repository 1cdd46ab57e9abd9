#include "LogCapture.h"

#include <cstring>

namespace {
QStringList *g_lines = nullptr;
QtMessageHandler g_previous = nullptr;
} // namespace

LogCapture::LogCapture()
{
    Q_ASSERT(!g_lines);
    g_lines = new QStringList;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
    g_previous = m_previous;
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    delete g_lines;
    g_lines = nullptr;
    g_previous = nullptr;
}

QStringList LogCapture::lines() const
{
    return *g_lines;
}

void LogCapture::clear()
{
    g_lines->clear();
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_lines && context.category && std::strcmp(context.category, "kavu") == 0) {
        g_lines->append(message);
        return;
    }
    if (g_previous)
        g_previous(type, context, message);
}
