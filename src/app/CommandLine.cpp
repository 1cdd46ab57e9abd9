#include "app/CommandLine.h"

#include "protocol/SiteAddress.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <array>

CommandLine CommandLine::parse(const QStringList &arguments, const QString &defaultSiteAddress)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A music client: the pages of a music catalogue site, and its tracks "
                       "streamed the moment you tap them."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption site(QStringLiteral("site-address"),
                                  QStringLiteral("Store <url> as the catalogue site's address (an http "
                                                 "or https address), then start. Given while Kavu "
                                                 "runs, it takes effect at the next start."),
                                  QStringLiteral("url"));
    const QCommandLineOption reset(QStringLiteral("reset-site-address"),
                                   QStringLiteral("Forget the stored catalogue site address and use "
                                                  "the built-in one, then start."));
    const QCommandLineOption preferences(QStringLiteral("preferences"),
                                         QStringLiteral("Open the Preferences window (ListenBrainz), of the Kavu "
                                                        "that runs or of this one once it has started."));
    parser.addOption(site);
    parser.addOption(reset);
    parser.addOption(preferences);
    // The desktop's player commands, sent to the Kavu that runs: option,
    // MPRIS2 method, what it does.
    const QList<std::array<QString, 3>> commands = {
        {QStringLiteral("play-pause"), QStringLiteral("PlayPause"), QStringLiteral("play or pause")},
        {QStringLiteral("play"), QStringLiteral("Play"), QStringLiteral("play")},
        {QStringLiteral("pause"), QStringLiteral("Pause"), QStringLiteral("pause")},
        {QStringLiteral("stop"), QStringLiteral("Stop"), QStringLiteral("stop")},
        {QStringLiteral("next"), QStringLiteral("Next"), QStringLiteral("go on with the next track")},
        {QStringLiteral("previous"), QStringLiteral("Previous"), QStringLiteral("go back to the start of the track")},
    };
    for (const auto &command : commands) {
        parser.addOption(QCommandLineOption(
            command[0], QStringLiteral("Tell the Kavu that runs to %1, as the desktop's player controls do "
                                       "(status 1 when none runs).")
                            .arg(command[2])));
    }

    CommandLine line;
    if (!parser.parse(arguments)) {
        // The error quotes the argument: it stays one line of at most some
        // hundred characters, whatever the argument holds.
        QString error = parser.errorText().left(200);
        for (QChar &c : error) {
            if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
                || c.category() == QChar::Separator_Line
                || c.category() == QChar::Separator_Paragraph)
                c = QLatin1Char('?');
        }
        line.action = Action::Refuse;
        line.text = QStringLiteral("kavu: %1 (see kavu --help)").arg(error);
        return line;
    }
    if (parser.isSet(help)) {
        line.action = Action::Answer;
        line.text = parser.helpText();
        return line;
    }
    if (parser.isSet(version)) {
        line.action = Action::Answer;
        line.text = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                 QCoreApplication::applicationVersion());
        return line;
    }
    if (!parser.positionalArguments().isEmpty()) {
        line.action = Action::Refuse;
        line.text = QStringLiteral("kavu: unexpected argument (see kavu --help)");
        return line;
    }
    for (const auto &command : commands) {
        if (!parser.isSet(command[0]))
            continue;
        if (!line.command.isEmpty() || parser.isSet(site) || parser.isSet(reset) || parser.isSet(preferences)) {
            line.action = Action::Refuse;
            line.text = QStringLiteral("kavu: a player command goes alone (see kavu --help)");
            return line;
        }
        line.action = Action::Control;
        line.command = command[1];
    }
    if (line.action == Action::Control)
        return line;
    line.resetSiteAddress = parser.isSet(reset);
    line.preferences = parser.isSet(preferences);
    if (parser.isSet(site)) {
        const QString address = SiteAddress::fromUserText(parser.value(site), defaultSiteAddress);
        if (line.resetSiteAddress || !SiteAddress::isUsable(address)) {
            line.action = Action::Refuse;
            if (line.resetSiteAddress)
                line.text = QStringLiteral("kavu: --site-address and --reset-site-address exclude each other");
            else if (address.size() > SiteAddress::kMaxStoredLength)
                line.text = QStringLiteral("kavu: --site-address takes at most %1 characters")
                                .arg(SiteAddress::kMaxStoredLength);
            else
                line.text = QStringLiteral("kavu: --site-address needs an http or https address with a host, "
                                           "such as https://music.example.org/kavu");
            return line;
        }
        line.siteAddress = address;
    }
    return line;
}

CommandLine CommandLine::read(int argc, char *argv[], const QString &defaultSiteAddress)
{
    if (argc <= 1)
        return CommandLine();
    QCoreApplication core(argc, argv);
    return parse(core.arguments(), defaultSiteAddress);
}
