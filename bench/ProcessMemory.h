#pragma once

#include <QtGlobal>

// What a process holds in memory, as Linux reports it in /proc. Every
// figure is in KiB, and -1 when it cannot be read.
namespace ProcessMemory {

// Resident set size of a process (0: this one).
qint64 residentKiB(qint64 pid = 0);
// The highest resident set size of this process since it started or since
// the last resetPeak().
qint64 peakResidentKiB();
// Starts a new peak from the present resident size.
bool resetPeak();
// Proportional set size: resident pages, each shared one divided among the
// processes that share it (0: this one).
qint64 proportionalKiB(qint64 pid = 0);

} // namespace ProcessMemory
