#pragma once

#include "catalogue/CatalogueViewController.h"

// The Albums screen.
class AlbunsViewController : public CatalogueViewController
{
    Q_OBJECT

public:
    explicit AlbunsViewController(const PlatformServices &services, QWidget *parent = nullptr);
};
