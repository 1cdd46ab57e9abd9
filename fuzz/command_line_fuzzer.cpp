// The command line's reading. Input: the arguments after the program's
// name, one per line.
#include "app/CommandLine.h"
#include "protocol/SiteAddress.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

bool isOneShortLine(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return false;
    }
    return text.size() <= 400;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "kavu";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);

    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList arguments = input.split(QLatin1Char('\n'));
    arguments.prepend(QStringLiteral("kavu"));
    const QString fallback = QStringLiteral("https://catalogue.test/kavu");
    const CommandLine line = CommandLine::parse(arguments, fallback);

    switch (line.action) {
    case CommandLine::Action::Run:
        // Only a usable address is ever stored, never with its reset.
        if (line.siteAddress && (!SiteAddress::isUsable(*line.siteAddress) || line.resetSiteAddress))
            abort();
        if (!line.text.isEmpty())
            abort();
        break;
    case CommandLine::Action::Refuse:
        // A refusal is one short line, whatever the arguments held.
        if (!line.text.startsWith(QLatin1String("kavu: ")) || !isOneShortLine(line.text) || line.siteAddress)
            abort();
        break;
    case CommandLine::Action::Answer:
        if (line.text.isEmpty())
            abort();
        break;
    }
    return 0;
}
