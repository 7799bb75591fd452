#pragma once

// The colours of a logo conversion: linear light, CIELAB, and the 256-colour palette chosen for
// a picture.

#include <QRgb>

#include <array>
#include <vector>

namespace bg::logo {

// Three channels: linear-light RGB (0..1), or CIELAB's L*, a*, b* (D65).
struct Colour
{
    float r = 0, g = 0, b = 0;
};

inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator-(Colour a, Colour b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Colour operator*(Colour a, float f) { return {a.r * f, a.g * f, a.b * f}; }
inline float distance2(Colour a, Colour b)
{
    const float dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

Colour clamped(Colour linear);

// Linear light of each 8-bit sRGB value; the 8-bit sRGB value of a linear one.
const std::array<float, 256> &linearTable();
int encode8(float linear);

Colour toLab(Colour linear);
Colour fromLab(Colour lab); // clamped into the RGB cube

// The derivative of CIELAB by linear RGB at a colour: near it, a difference d of linear
// colours changes L*, a*, b* by about apply(d). Mixing happens in linear light, the eye judges
// in CIELAB: this joins the two.
struct LabSlope
{
    Colour l, a, b; // the rows
    Colour apply(Colour d) const
    {
        return {l.r * d.r + l.g * d.g + l.b * d.b, a.r * d.r + a.g * d.g + a.b * d.b,
                b.r * d.r + b.g * d.g + b.b * d.b};
    }
};
LabSlope labSlope(Colour linear);

// Colours in CIELAB sorted into a grid of cells, so that the search for the nearest ones looks
// at the cells around the colour sought and no farther than needed.
class LabIndex
{
public:
    explicit LabIndex(const std::vector<Colour> &lab);
    // Writes the indices (into the colours given) of the `count` colours nearest to `lab`,
    // nearest first, and returns how many there were (fewer only when there are fewer colours).
    int nearest(Colour lab, int count, int *out) const;

private:
    static constexpr int Cells = 12; // along the longest side
    std::array<int, 3> cellAt(Colour lab) const;
    int cellIndex(std::array<int, 3> c) const { return (c[0] * m_size[1] + c[1]) * m_size[2] + c[2]; }

    Colour m_origin, m_high;
    float m_cell = 1;
    int m_size[3] = {1, 1, 1};
    std::vector<int> m_start;     // each cell's first colour in m_colours, and the end
    std::vector<Colour> m_colours; // cell by cell
    std::vector<int> m_index;      // the index given of each
};

struct Palette
{
    std::vector<QRgb> stored;   // as the file keeps them, 8 bits a channel, all different
    std::vector<Colour> linear; // the same as the screen mixes them
    std::vector<Colour> lab;    // and as the eye tells them apart
};

// At most `count` colours for the pixels (linear light): median cut refined by k-means, both in
// CIELAB, where equal distances are about equally visible. Thread-safe.
Palette choosePalette(const std::vector<Colour> &pixels, int count);

} // namespace bg::logo
