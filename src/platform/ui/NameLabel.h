#pragma once

#include <QRectF>

class QLabel;
class QWidget;

// A player's song or artist name: white, bold 18-point text, centred, on a
// clear background, shown as plain text.
QLabel *makeTrackNameLabel(QWidget *parent, const QRectF &frame);
