#pragma once

#include <QByteArray>
#include <QString>

// Cover pictures drawn in code: a PNG with colours of its own per track and
// the track's name on it.
namespace DemoArtwork {

QByteArray coverPng(int seed, const QString &title, const QString &subtitle);
// The demo account's background picture and icon.
QByteArray accountBackgroundPng();
QByteArray accountIconPng();

} // namespace DemoArtwork
