#include "platform/media/ByteRanges.h"

void ByteRanges::add(qint64 start, qint64 end)
{
    if (end <= start)
        return;
    // The range that starts at or before start may reach it: start there.
    auto it = m_ranges.upperBound(start);
    if (it != m_ranges.begin()) {
        auto before = std::prev(it);
        if (before.value() >= start) {
            start = before.key();
            end = qMax(end, before.value());
            it = m_ranges.erase(before);
        }
    }
    // Ranges that start within the new one are taken into it.
    while (it != m_ranges.end() && it.key() <= end) {
        end = qMax(end, it.value());
        it = m_ranges.erase(it);
    }
    m_ranges.insert(start, end);
}

bool ByteRanges::contains(qint64 start, qint64 end) const
{
    if (end <= start)
        return true;
    return firstMissing(start) >= end;
}

qint64 ByteRanges::firstMissing(qint64 offset) const
{
    auto it = m_ranges.upperBound(offset);
    if (it == m_ranges.begin())
        return offset;
    --it;
    return it.value() > offset ? it.value() : offset;
}

qint64 ByteRanges::nextArrived(qint64 offset, qint64 limit) const
{
    auto it = m_ranges.upperBound(offset);
    return it == m_ranges.end() ? limit : qMin(it.key(), limit);
}

qint64 ByteRanges::total() const
{
    qint64 sum = 0;
    for (auto it = m_ranges.cbegin(); it != m_ranges.cend(); ++it)
        sum += it.value() - it.key();
    return sum;
}
