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

    static PlayerLayout forBounds(qreal w, qreal h);
};
