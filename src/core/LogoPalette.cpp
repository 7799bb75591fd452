#include "core/LogoPalette.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace bg::logo {

namespace {

// sRGB's curve: linear light from the encoded value and back, both 0..1.
float toLinear(float v) { return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); }

float toEncoded(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

// Linear RGB to CIE XYZ, each row divided by the white's X, Y or Z.
constexpr Colour ToX{0.4124564f / 0.95047f, 0.3575761f / 0.95047f, 0.1804375f / 0.95047f};
constexpr Colour ToY{0.2126729f, 0.7151522f, 0.0721750f};
constexpr Colour ToZ{0.0193339f / 1.08883f, 0.1191920f / 1.08883f, 0.9503041f / 1.08883f};
constexpr float LabEpsilon = 216.0f / 24389, LabKappa = 24389.0f / 27;

float dot(Colour m, Colour c) { return m.r * c.r + m.g * c.g + m.b * c.b; }

float labCurve(float t) { return t > LabEpsilon ? std::cbrt(t) : (LabKappa * t + 16) / 116; }

float labCurveSlope(float t)
{
    return t > LabEpsilon ? 1.0f / (3.0f * std::cbrt(t * t)) : LabKappa / 116;
}

// Median cut: the box with the largest squared error is split at the median of its widest
// spread until there are `count` boxes; their means seed the palette.
std::vector<Colour> medianCut(std::vector<Colour> samples, int count)
{
    struct Box
    {
        size_t begin, end;
        float error;
        int axis;
    };
    const auto channel = [](const Colour &c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; };
    const auto measure = [&](size_t begin, size_t end) {
        double sum[3] = {}, sum2[3] = {};
        for (size_t i = begin; i < end; ++i)
            for (int a = 0; a < 3; ++a) {
                const double v = channel(samples[i], a);
                sum[a] += v;
                sum2[a] += v * v;
            }
        const double n = double(end - begin);
        Box box{begin, end, 0, 0};
        double widest = -1;
        for (int a = 0; a < 3; ++a) {
            const double error = sum2[a] - sum[a] * sum[a] / n;
            box.error += float(error);
            if (error > widest) {
                widest = error;
                box.axis = a;
            }
        }
        return box;
    };
    std::vector<Box> boxes{measure(0, samples.size())};
    while (int(boxes.size()) < count) {
        const auto it = std::max_element(boxes.begin(), boxes.end(),
                                         [](const Box &a, const Box &b) { return a.error < b.error; });
        if (it->end - it->begin < 2 || it->error <= 0)
            break;
        const Box box = *it;
        const size_t middle = box.begin + (box.end - box.begin) / 2;
        std::nth_element(samples.begin() + std::ptrdiff_t(box.begin),
                         samples.begin() + std::ptrdiff_t(middle),
                         samples.begin() + std::ptrdiff_t(box.end),
                         [&](const Colour &a, const Colour &b) {
                             return channel(a, box.axis) < channel(b, box.axis);
                         });
        *it = measure(box.begin, middle);
        boxes.push_back(measure(middle, box.end));
    }
    std::vector<Colour> means;
    for (const Box &box : boxes) {
        Colour sum;
        for (size_t i = box.begin; i < box.end; ++i)
            sum = sum + samples[i];
        means.push_back(sum * (1.0f / float(box.end - box.begin)));
    }
    return means;
}

// A few rounds of k-means over the samples from the seeds.
void refine(const std::vector<Colour> &samples, std::vector<Colour> &centres, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        const LabIndex index(centres);
        std::vector<Colour> sums(centres.size());
        std::vector<int> counts(centres.size(), 0);
        for (const Colour &sample : samples) {
            int owner = 0;
            index.nearest(sample, 1, &owner);
            sums[size_t(owner)] = sums[size_t(owner)] + sample;
            ++counts[size_t(owner)];
        }
        for (size_t k = 0; k < centres.size(); ++k)
            if (counts[k])
                centres[k] = sums[k] * (1.0f / float(counts[k]));
    }
}

} // namespace

Colour clamped(Colour c)
{
    return {std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f)};
}

const std::array<float, 256> &linearTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = toLinear(float(i) / 255.0f);
        return t;
    }();
    return table;
}

int encode8(float linear) { return int(std::lround(toEncoded(linear) * 255.0f)); }

Colour toLab(Colour c)
{
    const float fx = labCurve(dot(ToX, c)), fy = labCurve(dot(ToY, c)), fz = labCurve(dot(ToZ, c));
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

Colour fromLab(Colour lab)
{
    const auto inverse = [](float f) { return f > 6.0f / 29 ? f * f * f : (116 * f - 16) / LabKappa; };
    const float fy = (lab.r + 16) / 116;
    const float x = inverse(fy + lab.g / 500) * 0.95047f, y = inverse(fy),
                z = inverse(fy - lab.b / 200) * 1.08883f;
    return clamped({3.2404542f * x - 1.5371385f * y - 0.4985314f * z,
                    -0.9692660f * x + 1.8760108f * y + 0.0415560f * z,
                    0.0556434f * x - 0.2040259f * y + 1.0572252f * z});
}

LabSlope labSlope(Colour c)
{
    const float sx = labCurveSlope(dot(ToX, c)), sy = labCurveSlope(dot(ToY, c)),
                sz = labCurveSlope(dot(ToZ, c));
    return {ToY * (116 * sy), ToX * (500 * sx) - ToY * (500 * sy), ToY * (200 * sy) - ToZ * (200 * sz)};
}

LabIndex::LabIndex(const std::vector<Colour> &lab)
{
    Colour low = lab.empty() ? Colour{} : lab.front(), high = low;
    for (const Colour &c : lab) {
        low = {std::min(low.r, c.r), std::min(low.g, c.g), std::min(low.b, c.b)};
        high = {std::max(high.r, c.r), std::max(high.g, c.g), std::max(high.b, c.b)};
    }
    m_origin = low;
    m_high = high;
    const float extent[3] = {high.r - low.r, high.g - low.g, high.b - low.b};
    m_cell = std::max({extent[0], extent[1], extent[2], float(Cells)}) / Cells;
    for (int axis = 0; axis < 3; ++axis)
        m_size[axis] = std::min(Cells, int(extent[axis] / m_cell) + 1);
    // The colours in the order of their cells, each cell's first one in m_start.
    std::vector<int> cellOf(lab.size());
    m_start.assign(size_t(m_size[0] * m_size[1] * m_size[2]) + 1, 0);
    for (size_t i = 0; i < lab.size(); ++i) {
        cellOf[i] = cellIndex(cellAt(lab[i]));
        ++m_start[size_t(cellOf[i]) + 1];
    }
    for (size_t c = 1; c < m_start.size(); ++c)
        m_start[c] += m_start[c - 1];
    m_colours.resize(lab.size());
    m_index.resize(lab.size());
    std::vector<int> filled(m_start.begin(), m_start.end() - 1);
    for (size_t i = 0; i < lab.size(); ++i) {
        const int at = filled[size_t(cellOf[i])]++;
        m_colours[size_t(at)] = lab[i];
        m_index[size_t(at)] = int(i);
    }
}

std::array<int, 3> LabIndex::cellAt(Colour c) const
{
    return {std::clamp(int((c.r - m_origin.r) / m_cell), 0, m_size[0] - 1),
            std::clamp(int((c.g - m_origin.g) / m_cell), 0, m_size[1] - 1),
            std::clamp(int((c.b - m_origin.b) / m_cell), 0, m_size[2] - 1)};
}

int LabIndex::nearest(Colour lab, int count, int *out) const
{
    constexpr int Most = 16;
    count = std::min({count, Most, int(m_colours.size())});
    if (count <= 0)
        return 0;
    std::array<float, Most> kept;
    kept.fill(std::numeric_limits<float>::max());
    const auto visit = [&](int cell) {
        for (int at = m_start[size_t(cell)]; at < m_start[size_t(cell) + 1]; ++at) {
            const float d = distance2(m_colours[size_t(at)], lab);
            if (d >= kept[size_t(count - 1)])
                continue;
            int k = count - 1;
            for (; k > 0 && kept[size_t(k - 1)] > d; --k) {
                kept[size_t(k)] = kept[size_t(k - 1)];
                out[k] = out[k - 1];
            }
            kept[size_t(k)] = d;
            out[k] = m_index[size_t(at)];
        }
    };
    // Shell by shell of cells around the colour's (or, outside the grid, the nearest) cell,
    // until every colour not yet seen is farther than the count-th nearest found. The bound
    // holds outside the grid too: no colour there is nearer than to the colour moved into it.
    const Colour inside{std::clamp(lab.r, m_origin.r, m_high.r), std::clamp(lab.g, m_origin.g, m_high.g),
                        std::clamp(lab.b, m_origin.b, m_high.b)};
    const std::array<int, 3> centre = cellAt(inside);
    const float offset[3] = {inside.r - m_origin.r, inside.g - m_origin.g, inside.b - m_origin.b};
    for (int r = 0;; ++r) {
        const int low[3] = {centre[0] - r, centre[1] - r, centre[2] - r};
        const int high[3] = {centre[0] + r, centre[1] + r, centre[2] + r};
        for (int x = std::max(low[0], 0); x <= std::min(high[0], m_size[0] - 1); ++x)
            for (int y = std::max(low[1], 0); y <= std::min(high[1], m_size[1] - 1); ++y) {
                if (x == low[0] || x == high[0] || y == low[1] || y == high[1]) {
                    for (int z = std::max(low[2], 0); z <= std::min(high[2], m_size[2] - 1); ++z)
                        visit(cellIndex({x, y, z}));
                } else {
                    if (low[2] >= 0)
                        visit(cellIndex({x, y, low[2]}));
                    if (r > 0 && high[2] < m_size[2])
                        visit(cellIndex({x, y, high[2]}));
                }
            }
        // The nearest a colour outside these cells can be.
        float reach = std::numeric_limits<float>::max();
        bool all = true;
        for (int axis = 0; axis < 3; ++axis) {
            if (low[axis] > 0) {
                reach = std::min(reach, offset[axis] - float(low[axis]) * m_cell);
                all = false;
            }
            if (high[axis] < m_size[axis] - 1) {
                reach = std::min(reach, float(high[axis] + 1) * m_cell - offset[axis]);
                all = false;
            }
        }
        if (all || (kept[size_t(count - 1)] < std::numeric_limits<float>::max() &&
                    kept[size_t(count - 1)] <= reach * reach))
            return count;
    }
}

Palette choosePalette(const std::vector<Colour> &pixels, int count)
{
    std::vector<Colour> samples;
    const size_t step = std::max<size_t>(1, pixels.size() / 40000);
    samples.reserve(pixels.size() / step + 1);
    for (size_t i = 0; i < pixels.size(); i += step)
        samples.push_back(toLab(pixels[i]));
    std::vector<Colour> centres = medianCut(samples, count);
    refine(samples, centres, 4);

    Palette palette;
    const auto &lin = linearTable();
    for (const Colour &centre : centres) {
        const Colour c = fromLab(centre);
        const QRgb stored = qRgb(encode8(c.r), encode8(c.g), encode8(c.b));
        if (std::find(palette.stored.begin(), palette.stored.end(), stored) != palette.stored.end())
            continue;
        palette.stored.push_back(stored);
        const Colour linear{lin[size_t(qRed(stored))], lin[size_t(qGreen(stored))],
                            lin[size_t(qBlue(stored))]};
        palette.linear.push_back(linear);
        palette.lab.push_back(toLab(linear));
    }
    return palette;
}

} // namespace bg::logo
