#pragma once

#include <QRectF>

// Frames of the catalogue screen's player views for a root view of
// width w and height h: computed when the screen loads, and again whenever
// the root view changes size.
struct PlayerLayout
{
    QRectF playerView;
    QRectF backgroundImage;
    QRectF overlay;
    QRectF timeSlider;
    QRectF playPauseButton;
    QRectF rewindButton;
    QRectF forwardButton;
    QRectF songNameLabel;
    QRectF artistNameLabel;
    QRectF playerNavigationBar;
    // Under the slider's ends, the time played and the time left; the
    // volume's mute toggle and slider in a row of their own below.
    QRectF elapsedLabel;
    QRectF remainingLabel;
    QRectF muteButton;
    QRectF volumeSlider;

    static PlayerLayout forBounds(qreal w, qreal h);
};
