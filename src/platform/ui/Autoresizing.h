#pragma once

#include <QRectF>
#include <QSizeF>

class QWidget;

// The toolkit's autoresizing rule: a view whose mask names flexible parts
// follows the size changes of its parent; without a mask it keeps its frame.
namespace Autoresizing {

enum Mask : int {
    None = 0,
    FlexibleLeftMargin = 1,
    FlexibleWidth = 2,
    FlexibleRightMargin = 4,
    FlexibleTopMargin = 8,
    FlexibleHeight = 16,
    FlexibleBottomMargin = 32,
};

// The frame a child gets when its parent changes from oldSize to newSize.
// The change along each axis is shared among the flexible parts (margins and
// size) in proportion to their current lengths, or evenly when they are all 0.
QRectF resizedFrame(const QRectF &frame, const QSizeF &oldSize, const QSizeF &newSize, int mask);

// Gives a widget a mask; its parent then resizes it on every size change.
void setMask(QWidget *view, int mask);
int mask(const QWidget *view);

} // namespace Autoresizing
