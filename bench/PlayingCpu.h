#pragma once

#include <QString>

// The CPU a playing track costs, by thread, in processes of their own: Kavu
// offscreen, in a window (Xvfb, no GPU), in a window with a screen reader's
// bridge on (AT-SPI), each beside a bare GStreamer playbin playing the same
// track into the same sound server.
namespace PlayingCpu {

// The children: Kavu shows its window, taps a track of the demo service at
// origin and, once it plays, says what each thread took in seconds;
// "@thread NAME MS" lines and "@total MS".
int childKavu(const QString &origin, int seconds);
// The same for a bare playbin on the track's address.
int childBare(const QString &origin, int seconds);

// The measurement, with its targets.
void measure(int seconds);

} // namespace PlayingCpu
