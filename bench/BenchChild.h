#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// The benchmark's own children: this executable started again to measure
// one thing in a process of its own.
namespace BenchChild {

// Runs it with arguments (and environment), prints what it prints, and
// hands each "@" line of figures to lines instead.
void run(const QStringList &arguments, const std::function<void(const QString &)> &lines,
         const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// A child that serves the demo service, so that the figures of another
// process hold Kavu alone, as its users have it.
class Server
{
public:
    // False when it did not start; its origin then is empty.
    bool start();
    QString origin() const { return m_origin; }
    ~Server();

private:
    QProcess m_process;
    QString m_origin;
};

} // namespace BenchChild
