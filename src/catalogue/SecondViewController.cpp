#include "catalogue/SecondViewController.h"

SecondViewController::SecondViewController(const PlatformServices &services, QWidget *parent)
    : CatalogueViewController(CatalogueVariant::music(), services, parent)
{
}
