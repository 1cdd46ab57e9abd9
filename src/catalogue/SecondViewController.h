#pragma once

#include "catalogue/CatalogueViewController.h"

// The Music screen.
class SecondViewController : public CatalogueViewController
{
    Q_OBJECT

public:
    explicit SecondViewController(const PlatformServices &services, QWidget *parent = nullptr);
};
