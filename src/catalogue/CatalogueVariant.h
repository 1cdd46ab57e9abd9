#pragma once

#include <QString>

// The four values in which the Music and Albums screens differ.
struct CatalogueVariant
{
    // Builds the start page address from the site address and the version.
    QString (*startPage)(const QString &siteAddress, const QString &version);
    // The document title that marks the screen's start page.
    QString startPageTitle;
    // Whether the start page offers "Радио" and "Настройки".
    bool radioModeButton;
    bool infoProgrammButton;

    static CatalogueVariant music();
    static CatalogueVariant albums();
};
