#include "catalogue/CatalogueVariant.h"

#include "protocol/Endpoints.h"

CatalogueVariant CatalogueVariant::music()
{
    return CatalogueVariant{&Endpoints::musicStartPage, QStringLiteral("Музыка"), true, true};
}

CatalogueVariant CatalogueVariant::albums()
{
    return CatalogueVariant{&Endpoints::albumsStartPage, QStringLiteral("Альбомы"), false, false};
}
