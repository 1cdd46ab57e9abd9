#include "BenchChild.h"
#include "BenchOutput.h"

#include "EventWait.h"

#include <QCoreApplication>
#include <QTextStream>

namespace BenchChild {

using BenchOutput::out;

namespace {

} // namespace

void run(const QStringList &arguments, const std::function<void(const QString &)> &lines,
         const QProcessEnvironment &environment)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const auto take = [&] {
        while (child.canReadLine()) {
            const QString line = QString::fromUtf8(child.readLine());
            if (line.startsWith(QLatin1Char('@')))
                lines(line.trimmed());
            else
                out() << line;
        }
        out().flush();
    };
    QObject::connect(&child, &QProcess::readyReadStandardOutput, take);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    EventWait::waitFor([&] { return child.state() == QProcess::NotRunning; }, 600000);
    take();
    out() << child.readAllStandardOutput();
}

bool Server::start()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("serve")});
    EventWait::waitFor(
        [&] {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                if (line.startsWith(QLatin1String("@origin ")))
                    m_origin = line.mid(8);
            }
            return !m_origin.isEmpty() || m_process.state() == QProcess::NotRunning;
        },
        30000);
    return !m_origin.isEmpty();
}

Server::~Server()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

} // namespace BenchChild
