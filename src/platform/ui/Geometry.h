#pragma once

#include <QColor>
#include <QRectF>

class QWidget;

// Frames in points, as the screens compute them. Widgets hold whole pixels,
// so a frame is kept exactly alongside the widget and rounded for display.
namespace Geometry {

QRect pixelRect(const QRectF &frame);
void setFrame(QWidget *view, const QRectF &frame);
// The exact frame last given, or the widget's geometry if it moved since.
QRectF frame(const QWidget *view);

// A colour given as a white level and an alpha, both 0..1.
QColor colorWithWhite(qreal white, qreal alpha);
void setBackgroundColor(QWidget *view, const QColor &color);
QColor backgroundColor(const QWidget *view);

// Adds a view on top of the parent's other children, moving it from its
// previous parent if it had one; its hidden flag is kept.
void addSubview(QWidget *parent, QWidget *view);

} // namespace Geometry
