#include "catalogue/AlbunsViewController.h"

AlbunsViewController::AlbunsViewController(const PlatformServices &services, QWidget *parent)
    : CatalogueViewController(CatalogueVariant::albums(), services, parent)
{
}
