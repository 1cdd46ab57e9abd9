#pragma once

#include <QRectF>

// Frames of the catalogue screen's web side for a root view of width w and
// height h: the page below a 44-point navigation bar, and the views that
// cover the whole screen.
struct CatalogueLayout
{
    QRectF webView;
    QRectF navigationBar;
    QRectF fullScreen;

    static CatalogueLayout forBounds(qreal w, qreal h);
};
