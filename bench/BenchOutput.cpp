#include "BenchOutput.h"

namespace BenchOutput {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

} // namespace BenchOutput
