#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace bg {

// How a picture of another shape takes the 4:3 boot screen.
enum class LogoFit {
    Fit,  // the whole picture, the rest of the screen in a colour of the picture's edge
    Fill, // the screen covered, the picture cropped
};

struct LogoConversionOptions
{
    LogoFit fit = LogoFit::Fit;
    // Keeps palette entries LogoBandFirstEntry..255 for a colour bar along the bottom rows that
    // Windows rotates while it starts.
    bool animatedBand = false;
};

inline constexpr int LogoWidth = 320;
inline constexpr int LogoHeight = 400;
inline constexpr int LogoBandFirstEntry = 236;
inline constexpr int LogoBandRows = 8;
inline constexpr qint64 LogoFileSize = 14 + 40 + 256 * 4 + LogoWidth * LogoHeight; // 129,078

// A picture file read through Qt's image readers (every format their plug-ins offer); a null
// image when it does not load.
QImage readPicture(const QString &hostPath);

// The picture as a logo the boot screen shows: a 320 x 400, 256-colour uncompressed BMP of
// LogoFileSize bytes, the picture spread over the 4:3 screen that shows each pixel twice as wide
// as tall. Resampled by area in linear light; a palette chosen by median cut refined by k-means
// in CIELAB; each block of 2 x 2 pixels given the four colours whose mean in linear light comes
// closest to the block's in CIELAB, with a little of the miss diffused on. Empty for a null
// image. Thread-safe.
QByteArray convertToLogo(const QImage &picture, const LogoConversionOptions &options = {});

} // namespace bg
