#pragma once

#include "SoundRecording.h"
#include "Stats.h"

#include <QList>
#include <QString>

class DemoService;
class SecondViewController;
class SoundServer;

// What the listener hears of Kavu, measured at the sound server's output
// beside a bare GStreamer playbin on the same server: tap to the first
// audible sample, the silence between two chained tracks, the break that
// a server outage mid-track makes, and requests per track. Each
// measurement prints its figures and targets.
class SinkBench
{
public:
    SinkBench(SecondViewController *music, DemoService *demo, SoundServer *sound);

    static void tap(SecondViewController *music, int trackId);

    struct Taps
    {
        QList<double> app;
        QList<double> floor;
    };
    Taps tapToAudible(int taps, int roundTripMs);
    void gapBetweenTracks(int roundTripMs);
    void gapAcrossFormats();
    void outage(int outageMs);

private:
    bool playing(double atLeastSeconds) const;
    static double handOverGapMs(const SoundRecording &heard, qint64 fromNs, const QList<double> &tones,
                                double trackMs, QString *missing);

    SecondViewController *m_music;
    DemoService *m_demo;
    SoundServer *m_sound;
    double m_floorAtZeroMs = 0;
};
