#pragma once

#include <QIcon>
#include <QString>

// The player's four button pictures, drawn in code as crisp 25-point
// images with double-resolution versions for HiDPI screens.
namespace PlayerButtonImages {

inline const QString kPlay = QStringLiteral("AudioPlayer_Play.png");
inline const QString kPause = QStringLiteral("AudioPlayer_Pause.png");
inline const QString kPreviousSong = QStringLiteral("AudioPlayer_PreviousSong.png");
inline const QString kNextSong = QStringLiteral("AudioPlayer_NextSong.png");

// The picture with that name (a null icon for an unknown name).
QIcon icon(const QString &name);
// What a button with that picture does, for assistive technology.
QString accessibleName(const QString &name);

} // namespace PlayerButtonImages
