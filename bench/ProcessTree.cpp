#include "ProcessTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>

#include <unistd.h>

namespace {

QByteArray readProc(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The fields of /proc/PID/stat after the command name, which may itself
// hold spaces and parentheses: field 3 (state) comes first.
QList<QByteArray> statFieldsAt(const QString &path, QString *name = nullptr)
{
    const QByteArray stat = readProc(path);
    const qsizetype open = stat.indexOf('(');
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || open < 0)
        return {};
    if (name)
        *name = QString::fromUtf8(stat.mid(open + 1, close - open - 1));
    return stat.mid(close + 2).trimmed().split(' ');
}

QList<QByteArray> statFields(qint64 pid)
{
    return statFieldsAt(QStringLiteral("/proc/%1/stat").arg(pid));
}

qint64 ticksToMs(const QList<QByteArray> &fields)
{
    if (fields.size() < 13)
        return -1;
    // Fields 14 and 15: user and system time in clock ticks.
    return (fields.at(11).toLongLong() + fields.at(12).toLongLong()) * 1000 / sysconf(_SC_CLK_TCK);
}

} // namespace

namespace ProcessTree {

QList<qint64> withDescendants(qint64 pid)
{
    if (pid == 0)
        pid = QCoreApplication::applicationPid();
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 child = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QList<QByteArray> fields = statFields(child);
        if (fields.size() > 1)
            children[fields.at(1).toLongLong()].append(child); // field 4: the parent
    }
    QList<qint64> result{pid};
    for (qsizetype i = 0; i < result.size(); ++i)
        result += children.value(result.at(i));
    return result;
}

qint64 cpuMs(qint64 pid)
{
    return ticksToMs(statFields(pid));
}

QMap<QString, qint64> threadCpuMs(qint64 pid)
{
    QMap<QString, qint64> byName;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QString name;
        const qint64 ms = ticksToMs(statFieldsAt(tasks + QLatin1Char('/') + tid + QStringLiteral("/stat"), &name));
        if (ms >= 0)
            byName[name] += ms;
    }
    return byName;
}

QString name(qint64 pid)
{
    return QString::fromUtf8(readProc(QStringLiteral("/proc/%1/comm").arg(pid)).trimmed());
}

qint64 contextSwitches(qint64 tid)
{
    const QString path = QStringLiteral("/proc/%1/task/%2/status").arg(QCoreApplication::applicationPid()).arg(tid);
    qint64 total = 0;
    for (const QByteArray &line : readProc(path).split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
            total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return total;
}

} // namespace ProcessTree
