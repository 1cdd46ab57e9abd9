#pragma once

#include <QRectF>

// Frames of the catalogue screen's player views for a root view of
// width w and height h. They are computed once, when the screen loads.
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
