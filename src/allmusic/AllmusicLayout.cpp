#include "allmusic/AllmusicLayout.h"

AllmusicLayout AllmusicLayout::forBounds(qreal w, qreal h)
{
    AllmusicLayout layout;
    layout.fullScreen = QRectF(0, 0, w, h);
    layout.timeSlider = QRectF(20, 40, w - 40, 20);
    layout.playPauseButton = QRectF(w / 2 - 30, h - 100, 60, 35);
    layout.rewindButton = QRectF(w / 2 - 120, h - 100, 60, 35);
    layout.forwardButton = QRectF(w / 2 + 60, h - 100, 60, 35);
    layout.backButton = QRectF(0, 0, 60, 30);
    layout.songNameLabel = QRectF(0, h / 2 - 60, w, 30);
    layout.artistNameLabel = QRectF(0, h / 2 - 30, w, 30);
    layout.elapsedLabel = QRectF(20, 62, 70, 18);
    layout.remainingLabel = QRectF(w - 90, 62, 70, 18);
    layout.muteButton = QRectF(w / 2 - 120, h - 55, 30, 30);
    layout.volumeSlider = QRectF(w / 2 - 82, h - 50, 202, 20);
    // Between "Назад" and the slider, over no control.
    layout.downloadProgressBar = QRectF(0, 33, w, 4);
    layout.center = QPointF(w / 2, h / 2);
    return layout;
}

std::optional<int> AllmusicLayout::downloadPermille(qint64 received, qint64 total)
{
    if (total <= 0)
        return std::nullopt;
    return int(qBound(qint64(0), received * 1000 / total, qint64(1000)));
}
