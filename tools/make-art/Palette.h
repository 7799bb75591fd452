#pragma once

#include <QImage>
#include <QRgb>
#include <QVector>

namespace art {

// The sixteen colours of a 16-colour Windows icon or bitmap, in the usual VGA order.
namespace vga {
constexpr QRgb Black = 0xFF000000, Maroon = 0xFF800000, Green = 0xFF008000, Olive = 0xFF808000,
               Navy = 0xFF000080, Purple = 0xFF800080, Teal = 0xFF008080, Silver = 0xFFC0C0C0,
               Grey = 0xFF808080, Red = 0xFFFF0000, Lime = 0xFF00FF00, Yellow = 0xFFFFFF00,
               Blue = 0xFF0000FF, Fuchsia = 0xFFFF00FF, Aqua = 0xFF00FFFF, White = 0xFFFFFFFF;
} // namespace vga

const QVector<QRgb> &vgaPalette();

// Maps every pixel to the nearest of the sixteen colours. With withTransparency, pixels whose
// alpha is below one half map to an extra fully transparent entry (the icon's mask); without it
// the image must be opaque. Result: an 8-bit indexed image with at most 17 table entries.
QImage toVga16(const QImage &image, bool withTransparency);

// Reduces an image to at most maxColours table entries by median cut over (alpha, red, green,
// blue); an image that already has few enough colours keeps them exactly. Fully transparent
// pixels all share one entry.
QImage toIndexed(const QImage &image, int maxColours);

// Number of distinct colours (alpha included) in an image.
int colourCount(const QImage &image);

} // namespace art
