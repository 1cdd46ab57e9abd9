#include "ProcessMemory.h"

#include <QFile>

namespace {

QString procPath(qint64 pid, const char *name)
{
    const QString process = pid == 0 ? QStringLiteral("self") : QString::number(pid);
    return QStringLiteral("/proc/%1/%2").arg(process, QLatin1String(name));
}

// The value of a "Key:   1234 kB" line of a /proc status-like file.
qint64 fieldKiB(const QString &path, const QByteArray &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    // /proc files report a size of 0: read to the end, then split.
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith(key + ':'))
            continue;
        bool ok = false;
        const qint64 value = line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok ? value : -1;
    }
    return -1;
}

} // namespace

namespace ProcessMemory {

qint64 residentKiB(qint64 pid)
{
    return fieldKiB(procPath(pid, "status"), "VmRSS");
}

qint64 peakResidentKiB()
{
    return fieldKiB(procPath(0, "status"), "VmHWM");
}

bool resetPeak()
{
    QFile file(procPath(0, "clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

qint64 proportionalKiB(qint64 pid)
{
    return fieldKiB(procPath(pid, "smaps_rollup"), "Pss");
}

} // namespace ProcessMemory
