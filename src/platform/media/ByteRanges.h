#pragma once

#include <QMap>
#include <QtGlobal>

// The parts of a file that have arrived, as disjoint, non-adjacent ranges
// [start, end) of byte offsets. A value type, on any one thread.
class ByteRanges
{
public:
    // Marks [start, end) as arrived; overlaps and neighbours merge.
    void add(qint64 start, qint64 end);
    // Whether every byte of [start, end) has arrived (an empty range has).
    bool contains(qint64 start, qint64 end) const;
    // The first byte at or after offset that has not arrived.
    qint64 firstMissing(qint64 offset) const;
    // Where the arrived range after offset starts, or limit when none does
    // before it: the end of the gap that offset lies in.
    qint64 nextArrived(qint64 offset, qint64 limit) const;
    // How many bytes have arrived in all.
    qint64 total() const;

private:
    // start -> end
    QMap<qint64, qint64> m_ranges;
};
