#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>

// The processes a process started, directly or not, and their CPU time,
// as Linux reports them in /proc.
namespace ProcessTree {

// The process and all its descendants (0: this process).
QList<qint64> withDescendants(qint64 pid = 0);
// User plus system CPU time of a process so far, in milliseconds; -1 when
// it cannot be read.
qint64 cpuMs(qint64 pid);
// The CPU time of a process's threads so far, in milliseconds, by thread
// name (threads of one name summed).
QMap<QString, qint64> threadCpuMs(qint64 pid);
// The command name of a process.
QString name(qint64 pid);
// Voluntary and involuntary context switches of one thread of this process
// (the main thread's id is the process id): each is one wake-up.
qint64 contextSwitches(qint64 tid);

} // namespace ProcessTree
