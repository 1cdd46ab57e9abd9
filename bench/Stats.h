#pragma once

#include <QList>
#include <QString>

// Summary figures of repeated measurements.
struct Stats
{
    int count = 0;
    double median = 0;
    double p95 = 0;

    // Median, and the 95th percentile by the nearest-rank rule.
    static Stats of(QList<double> samples);
    // "median 12.3 ms, p95 15.0 ms (n=30)".
    QString describe(const QString &unit) const;
};
