#include "ProcessTree.h"
#include "Stats.h"

#include <QCoreApplication>
#include <QTest>

// The figures the benchmark prints, and the processes it adds up.
class StatsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void medianAndPercentile_data();
    void medianAndPercentile();
    void processTreeHoldsThisProcess();
};

void StatsTest::medianAndPercentile_data()
{
    QTest::addColumn<QList<double>>("samples");
    QTest::addColumn<double>("median");
    QTest::addColumn<double>("p95");

    QTest::newRow("none") << QList<double>{} << 0.0 << 0.0;
    QTest::newRow("one") << QList<double>{7} << 7.0 << 7.0;
    QTest::newRow("even count, unsorted") << QList<double>{4, 1, 3, 2} << 2.5 << 4.0;
    QList<double> twenty;
    for (int i = 20; i >= 1; --i)
        twenty.append(i);
    // Nearest rank: the 19th of 20 sorted values.
    QTest::newRow("twenty") << twenty << 10.5 << 19.0;
    QList<double> thirty;
    for (int i = 1; i <= 30; ++i)
        thirty.append(i);
    QTest::newRow("thirty") << thirty << 15.5 << 29.0;
}

void StatsTest::medianAndPercentile()
{
    QFETCH(QList<double>, samples);
    QFETCH(double, median);
    QFETCH(double, p95);
    const Stats stats = Stats::of(samples);
    QCOMPARE(stats.count, samples.size());
    QCOMPARE(stats.median, median);
    QCOMPARE(stats.p95, p95);
}

void StatsTest::processTreeHoldsThisProcess()
{
    const QList<qint64> tree = ProcessTree::withDescendants();
    QVERIFY(!tree.isEmpty());
    QCOMPARE(tree.first(), QCoreApplication::applicationPid());
    QVERIFY(ProcessTree::cpuMs(tree.first()) >= 0);
    QVERIFY(ProcessTree::contextSwitches(tree.first()) > 0);
}

QTEST_GUILESS_MAIN(StatsTest)
#include "tst_stats.moc"
