#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What Kavu's command line asks for. Reading it needs no display: --help,
// --version and a refused address are answered before any window exists.
struct CommandLine
{
    enum class Action {
        Run,     // start (or hand the request to the Kavu that runs)
        Answer,  // print text and end with status 0 (--help, --version)
        Refuse,  // print text and end with status 2
        Control, // send command to the Kavu that runs, as its desktop controls would
    };

    Action action = Action::Run;
    QString text;
    // --site-address: the address to store as the catalogue's, as the
    // settings dialog would store it.
    std::optional<QString> siteAddress;
    // --reset-site-address: back to the built-in address.
    bool resetSiteAddress = false;
    // --preferences: the Preferences window, in front (of the Kavu that
    // runs, or of this one once it has started).
    bool preferences = false;
    // --play-pause, --play, --pause, --stop, --next, --previous: the MPRIS2
    // method to call ("PlayPause", ...).
    QString command;

    // arguments: the process's, the program first. defaultSiteAddress is
    // what an empty --site-address stores.
    static CommandLine parse(const QStringList &arguments, const QString &defaultSiteAddress);
    // Parses argc/argv within a QCoreApplication of its own, gone again
    // when it returns, so that no display is needed.
    static CommandLine read(int argc, char *argv[], const QString &defaultSiteAddress);
};
