#pragma once

#include <QImage>
#include <QPoint>

namespace art {

// Window icon: a monitor showing a boot screen. 32 x 32, sixteen colours plus the mask.
QImage windowIcon();

// Folder button: a yellow folder under a magnifying glass. 25 x 25, 24-bit colour plus a mask.
QImage folderButton();

// Restore button: a green anticlockwise arrow and the words "還原在此目錄更換過的LOGO" in black on
// the mask grey (192, 192, 192), which nothing else uses. 168 x 14, sixteen colours.
// pixelSize receives the font size the words were drawn at.
QImage restoreButton(int *pixelSize);

// Menu bitmap of the download sites: a small globe. 13 x 13, sixteen colours plus the mask.
QImage globe();

// Drag icon of the large preview: a tilted logo card under a mouse pointer. 64 x 64, 256 colours.
QImage dragIcon();

// Picture of the About window: a strip of film holding the start-up, wait and shutdown screens.
// 84 x 145, 24-bit colour, opaque (it is stretched into a bordered box).
QImage aboutPicture();

// Icon of the About window: two logo cards and a green change arrow. 51 x 64, 24-bit plus a mask.
QImage aboutIcon();

// Pointing-hand cursor of the mail link. 32 x 32, black and white plus the mask.
QImage handCursor();
// The cursor's hot spot: the tip of the index finger.
constexpr QPoint HandHotspot{5, 0};

} // namespace art
