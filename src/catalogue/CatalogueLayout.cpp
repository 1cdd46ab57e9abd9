#include "catalogue/CatalogueLayout.h"

CatalogueLayout CatalogueLayout::forBounds(qreal w, qreal h)
{
    constexpr qreal kBarHeight = 44;
    return CatalogueLayout{QRectF(0, kBarHeight, w, h - kBarHeight), QRectF(0, 0, w, kBarHeight),
                           QRectF(0, 0, w, h)};
}
