#include "BenchChart.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace BenchChart {

namespace {

constexpr double kWidth = 820;
constexpr double kLeft = 190;  // room for the row labels
constexpr double kRight = 30;
constexpr double kRowHeight = 34;
const QStringList kColours = {QStringLiteral("#4e79a7"), QStringLiteral("#f28e2b"), QStringLiteral("#59a14f"),
                              QStringLiteral("#e15759"), QStringLiteral("#76b7b2"), QStringLiteral("#edc948"),
                              QStringLiteral("#b07aa1"), QStringLiteral("#9c755f")};

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

QString text(double x, double y, const QString &content, const QString &extra = QString())
{
    return QStringLiteral("<text x=\"%1\" y=\"%2\"%3>%4</text>\n")
        .arg(number(x), number(y), extra.isEmpty() ? QString() : QLatin1Char(' ') + extra, content.toHtmlEscaped());
}

QString line(double x1, double y1, double x2, double y2, const QString &style)
{
    return QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" %5/>\n")
        .arg(number(x1), number(y1), number(x2), number(y2), style);
}

// The value below which the given share of the sorted samples lies,
// interpolated between neighbours.
double quantile(const QList<double> &sorted, double share)
{
    if (sorted.isEmpty())
        return 0;
    const double position = share * double(sorted.size() - 1);
    const qsizetype below = qsizetype(std::floor(position));
    const qsizetype above = qMin(below + 1, sorted.size() - 1);
    return sorted.at(below) + (sorted.at(above) - sorted.at(below)) * (position - double(below));
}

// An axis from 0 to end along [kLeft, kWidth - kRight] with five ticks.
QString axis(double top, double bottom, double end, const QString &unit)
{
    QString out;
    const double span = kWidth - kRight - kLeft;
    for (int i = 0; i <= 5; ++i) {
        const double x = kLeft + span * i / 5.0;
        out += line(x, top, x, bottom, QStringLiteral("stroke=\"#ddd\""));
        out += text(x, bottom + 14, QString::number(end * i / 5.0, 'g', 4) + (i == 5 ? QLatin1Char(' ') + unit : QString()),
                    QStringLiteral("text-anchor=\"middle\" fill=\"#555\""));
    }
    return out;
}

} // namespace

double axisEnd(double value)
{
    if (value <= 0)
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        if (step * power >= value)
            return step * power;
    }
    return 10 * power;
}

QString svg(const Run &run)
{
    QString body;
    double y = 30;
    body += text(12, y, run.title, QStringLiteral("font-size=\"15\" font-weight=\"bold\""));
    y += 26;

    // Tap to audio: a dot per sample, the box from the first to the third
    // quartile, the median as a bar across it.
    double tapEnd = 0;
    for (const Series &series : run.taps) {
        for (double sample : series.samples)
            tapEnd = std::max(tapEnd, sample);
    }
    tapEnd = axisEnd(tapEnd);
    const double span = kWidth - kRight - kLeft;
    const auto tapX = [&](double ms) { return kLeft + span * std::clamp(ms / tapEnd, 0.0, 1.0); };
    body += text(12, y, QStringLiteral("Tap to audio"), QStringLiteral("font-weight=\"bold\""));
    y += 10;
    const double tapTop = y;
    for (qsizetype row = 0; row < run.taps.size(); ++row) {
        const Series &series = run.taps.at(row);
        const double middle = y + kRowHeight / 2;
        const QString colour = kColours.at(row % 2); // application and floor in turn
        body += text(12, middle + 4, series.label);
        QList<double> sorted = series.samples;
        std::sort(sorted.begin(), sorted.end());
        if (!sorted.isEmpty()) {
            const double q1 = tapX(quantile(sorted, 0.25));
            const double q3 = tapX(quantile(sorted, 0.75));
            body += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" "
                                   "fill-opacity=\"0.15\" stroke=\"%5\"/>\n")
                        .arg(number(q1), number(middle - 10), number(std::max(1.0, q3 - q1)), number(20), colour);
            const double median = tapX(quantile(sorted, 0.5));
            body += line(median, middle - 12, median, middle + 12,
                         QStringLiteral("stroke=\"%1\" stroke-width=\"3\"").arg(colour));
        }
        for (qsizetype i = 0; i < series.samples.size(); ++i) {
            // Spread over the row's height in a fixed pattern, so that equal
            // samples stay visible.
            const double offset = double(i % 7 - 3) * 2.5;
            body += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"2.5\" fill=\"%3\" fill-opacity=\"0.7\"/>\n")
                        .arg(number(tapX(series.samples.at(i))), number(middle + offset), colour);
        }
        y += kRowHeight;
    }
    body = body + axis(tapTop, y, tapEnd, QStringLiteral("ms"));
    y += 50;

    // Memory: one bar per state, a segment per process, targets dashed.
    double memoryEnd = 0;
    QStringList processes;
    for (const Bar &bar : run.memory) {
        double total = 0;
        for (const Part &part : bar.parts) {
            total += part.mib;
            if (!processes.contains(part.label))
                processes.append(part.label);
        }
        memoryEnd = std::max({memoryEnd, total, bar.targetMib});
    }
    memoryEnd = axisEnd(memoryEnd);
    const auto memoryX = [&](double mib) { return kLeft + span * std::clamp(mib / memoryEnd, 0.0, 1.0); };
    body += text(12, y, QStringLiteral("Memory (PSS) by process"), QStringLiteral("font-weight=\"bold\""));
    y += 10;
    const double memoryTop = y;
    for (const Bar &bar : run.memory) {
        const double middle = y + kRowHeight / 2;
        double total = 0;
        body += text(12, middle + 4, bar.label);
        for (const Part &part : bar.parts) {
            const double x = memoryX(total);
            total += part.mib;
            const QString colour = kColours.at(processes.indexOf(part.label) % kColours.size());
            body += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"22\" fill=\"%4\" stroke=\"#fff\">"
                                   "<title>%5: %6 MiB</title></rect>\n")
                        .arg(number(x), number(middle - 11), number(memoryX(total) - x), colour,
                             part.label.toHtmlEscaped(), number(part.mib));
        }
        body += text(memoryX(total) + 6, middle + 4, QStringLiteral("%1 MiB").arg(number(total)));
        if (bar.targetMib > 0)
            body += line(memoryX(bar.targetMib), middle - 15, memoryX(bar.targetMib), middle + 15,
                         QStringLiteral("stroke=\"#c00\" stroke-dasharray=\"4 3\" stroke-width=\"2\""));
        y += kRowHeight;
    }
    body = body + axis(memoryTop, y, memoryEnd, QStringLiteral("MiB"));
    y += 34;
    double legendX = kLeft;
    for (qsizetype i = 0; i < processes.size(); ++i) {
        body += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"12\" height=\"12\" fill=\"%3\"/>\n")
                    .arg(number(legendX), number(y - 10), kColours.at(i % kColours.size()));
        body += text(legendX + 16, y, processes.at(i));
        legendX += 24 + 7.5 * processes.at(i).size();
    }
    body += line(kLeft + 0, y + 16, kLeft + 24, y + 16,
                 QStringLiteral("stroke=\"#c00\" stroke-dasharray=\"4 3\" stroke-width=\"2\""));
    body += text(kLeft + 30, y + 20, QStringLiteral("target"));
    y += 36;

    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                          "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" font-size=\"12\">\n"
                          "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n")
               .arg(number(kWidth), number(y))
        + body + QStringLiteral("</svg>\n");
}

} // namespace BenchChart
