#pragma once

#include <QList>
#include <QString>

// The picture of a kavu-bench run, as one self-contained SVG document:
// tap-to-audio samples as strip and box plots, one row per series, and the
// memory of each measured state as a bar stacked by process.
namespace BenchChart {

struct Series
{
    QString label;
    QList<double> samples; // milliseconds
};

struct Part
{
    QString label;
    double mib = 0;
};

struct Bar
{
    QString label;
    QList<Part> parts;
    double targetMib = 0; // 0: none
};

struct Run
{
    QString title;
    QList<Series> taps;
    QList<Bar> memory;
};

// The SVG text of a run; series without samples and bars without parts
// are drawn as empty rows.
QString svg(const Run &run);

// A round upper end for an axis that must reach value: 1, 2 or 5 times a
// power of ten.
double axisEnd(double value);

} // namespace BenchChart
