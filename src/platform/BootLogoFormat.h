#pragma once

// What a file must begin with for Windows 95/98 to show it as a boot logo, for every program that
// judges one: this tool, and the boot-time companion that picks the next logo on Windows.
// Freestanding C++ (no run-time library) so that both can include it.
//
// A boot logo is a Windows bitmap of 320 x 400 pixels, 8 bits per pixel, uncompressed, with a
// BITMAPINFOHEADER or one of its longer successors; rows bottom-up or top-down. The one the tool
// writes is the plainest of them: a 40-byte header, a 256-colour palette, bottom-up rows, 129,078
// bytes in all.

#include <stdint.h>

namespace bg::bootlogo {

inline constexpr uint32_t Width = 320;
inline constexpr uint32_t Height = 400;
inline constexpr uint32_t FileHeaderBytes = 14;
inline constexpr uint32_t InfoHeaderBytes = 40;
// Bytes a reader needs to judge a file.
inline constexpr uint32_t HeadBytes = FileHeaderBytes + InfoHeaderBytes;
inline constexpr uint32_t PaletteEntries = 256;
inline constexpr uint32_t PlainFileBytes =
    HeadBytes + PaletteEntries * 4 + Width * Height; // 129,078

inline uint32_t read32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// True when the first `length` bytes of a file are the head of a boot logo.
inline bool isHead(const uint8_t *head, uint32_t length)
{
    if (length < HeadBytes || head[0] != 'B' || head[1] != 'M')
        return false;
    const uint8_t *info = head + FileHeaderBytes;
    const uint32_t height = read32(info + 8);
    const uint32_t planes = uint32_t(info[12]) | uint32_t(info[13]) << 8;
    const uint32_t bits = uint32_t(info[14]) | uint32_t(info[15]) << 8;
    return read32(info) >= InfoHeaderBytes && read32(info + 4) == Width
        && (height == Height || height == uint32_t(-int32_t(Height))) && planes == 1 && bits == 8
        && read32(info + 16) == 0;
}

// The boot screen's animation: while Windows starts, when the header's biClrImportant (`first`)
// is not 0, each frame the palette entries first..254 take the next entry's colour and entry 255
// takes first's; the entries below first never change. The pace is not documented; this is the
// one every preview of the tool keeps.
inline constexpr int StepMilliseconds = 55;

template <typename Palette>
void rotatePalette(Palette &palette, uint32_t entries, uint32_t first)
{
    if (first == 0 || first >= entries)
        return;
    const auto wrapped = palette[first];
    for (uint32_t i = first; i + 1 < entries; ++i)
        palette[i] = palette[i + 1];
    palette[entries - 1] = wrapped;
}

// True when the rows are stored top row first (a negative height).
inline bool isTopDown(const uint8_t *head)
{
    return read32(head + FileHeaderBytes + 8) != Height;
}

} // namespace bg::bootlogo
