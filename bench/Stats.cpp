#include "Stats.h"

#include <algorithm>
#include <cmath>

Stats Stats::of(QList<double> samples)
{
    Stats stats;
    stats.count = int(samples.size());
    if (samples.isEmpty())
        return stats;
    std::sort(samples.begin(), samples.end());
    const qsizetype n = samples.size();
    stats.median = n % 2 ? samples.at(n / 2) : (samples.at(n / 2 - 1) + samples.at(n / 2)) / 2.0;
    const qsizetype rank = qsizetype(std::ceil(0.95 * double(n)));
    stats.p95 = samples.at(qBound<qsizetype>(1, rank, n) - 1);
    return stats;
}

QString Stats::describe(const QString &unit) const
{
    return QStringLiteral("median %1 %3, p95 %2 %3 (n=%4)")
        .arg(median, 0, 'f', 1)
        .arg(p95, 0, 'f', 1)
        .arg(unit)
        .arg(count);
}
