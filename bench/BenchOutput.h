#pragma once

#include <QString>
#include <QTextStream>

// What the benchmark and the soak run print: one stream to standard output
// for every part of them, so that their lines never interleave, and the
// word each target's line ends with.
namespace BenchOutput {

QTextStream &out();
// "met" or "MISSED".
QString verdict(bool met);

} // namespace BenchOutput
