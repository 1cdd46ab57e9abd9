#include "BenchChart.h"

#include <QTest>
#include <QXmlStreamReader>

// The picture kavu-bench draws: a well-formed SVG with a mark per sample
// and a segment per process.
class BenchChartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void axisEnds();
    void drawsEverySampleAndPart();
};

void BenchChartTest::axisEnds()
{
    QCOMPARE(BenchChart::axisEnd(0), 1.0);
    QCOMPARE(BenchChart::axisEnd(38), 50.0);
    QCOMPARE(BenchChart::axisEnd(150), 200.0);
    QCOMPARE(BenchChart::axisEnd(200), 200.0);
    QCOMPARE(BenchChart::axisEnd(201), 500.0);
}

void BenchChartTest::drawsEverySampleAndPart()
{
    BenchChart::Run run;
    run.title = QStringLiteral("run <1> & more");
    run.taps = {{QStringLiteral("Kavu"), {30, 31, 45}}, {QStringLiteral("floor"), {29, 30}}, {QStringLiteral("none"), {}}};
    run.memory = {{QStringLiteral("tabs"), {{QStringLiteral("application"), 90}, {QStringLiteral("web engine 1"), 60}}, 190}};
    const QString svg = BenchChart::svg(run);

    QXmlStreamReader reader(svg);
    int circles = 0;
    int titles = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("circle"))
            ++circles;
        if (reader.isStartElement() && reader.name() == QLatin1String("title"))
            ++titles;
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(circles, 5);
    QCOMPARE(titles, 2);
    QVERIFY(svg.contains(QStringLiteral("run &lt;1&gt; &amp; more")));
    QVERIFY(svg.contains(QStringLiteral("150.0 MiB")));
}

QTEST_GUILESS_MAIN(BenchChartTest)
#include "tst_benchchart.moc"
