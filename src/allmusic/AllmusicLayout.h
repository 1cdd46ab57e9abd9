#pragma once

#include <QRectF>

#include <optional>

// Frames of the direct track player's views for a root view of width w and
// height h: the page and the background over the whole screen, the slider
// near the top, three buttons along the bottom (each 60 wide, 30 apart,
// spanning from the centre less 120 to the centre plus 120), "Назад" in the
// top left corner and the two names in the middle.
struct AllmusicLayout
{
    QRectF fullScreen; // web view, background picture and veil
    QRectF timeSlider;
    QRectF playPauseButton;
    QRectF rewindButton;
    QRectF forwardButton;
    QRectF backButton;
    QRectF songNameLabel;
    QRectF artistNameLabel;
    // Under the slider's ends, the time played and the time left; the
    // volume's mute toggle and slider in a row below the three buttons.
    QRectF elapsedLabel;
    QRectF remainingLabel;
    QRectF muteButton;
    QRectF volumeSlider;
    // While a track downloads: a thin bar across the top, below "Назад" and
    // above the slider, and the indicator in the middle.
    QRectF downloadProgressBar;
    QPointF center;

    static AllmusicLayout forBounds(qreal w, qreal h);
    // The bar's value for what has come of a download, in thousandths; none
    // while the size is not known.
    static std::optional<int> downloadPermille(qint64 received, qint64 total);
};
