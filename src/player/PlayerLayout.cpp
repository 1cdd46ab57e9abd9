#include "player/PlayerLayout.h"

PlayerLayout PlayerLayout::forBounds(qreal w, qreal h)
{
    constexpr qreal kButton = 25;
    const QRectF bounds(0, 0, w, h);
    PlayerLayout layout;
    layout.playerView = bounds;
    layout.backgroundImage = bounds;
    layout.overlay = bounds;
    layout.timeSlider = QRectF(20, h - 100, w - 40, 20);
    // Three buttons on one row: play/pause centred, rewind ending 95 points
    // left of the centre, forward starting 95 points right of it.
    layout.playPauseButton = QRectF(w / 2 - 12.5, h - 150, kButton, kButton);
    layout.rewindButton = QRectF(w / 2 - 120, h - 150, kButton, kButton);
    layout.forwardButton = QRectF(w / 2 + 95, h - 150, kButton, kButton);
    layout.songNameLabel = QRectF(0, h / 2 - 60, w, 30);
    layout.artistNameLabel = QRectF(0, h / 2 - 30, w, 30);
    layout.playerNavigationBar = QRectF(0, 0, w, 44);
    layout.elapsedLabel = QRectF(20, h - 78, 70, 18);
    layout.remainingLabel = QRectF(w - 90, h - 78, 70, 18);
    layout.muteButton = QRectF(20, h - 52, 30, 30);
    layout.volumeSlider = QRectF(58, h - 47, qMin<qreal>(160, w - 78), 20);
    return layout;
}
