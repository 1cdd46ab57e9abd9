#pragma once

#include <QString>

// A player command from the command line, for the Kavu that runs: the
// MPRIS2 method of the same name, on the session bus, as the desktop's
// player controls send it. Nothing is started.
namespace PlayerRemote {

// Returns the process's exit status: 0 when Kavu took the command, 1 (with
// one line on stderr) when none runs or it did not answer.
int send(const QString &method);

} // namespace PlayerRemote
