#include "core/LogoConversion.h"

#include <QColor>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

namespace bg {

namespace {

// --- colour ----------------------------------------------------------------------------------

struct Rgb
{
    float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float f) { return {a.r * f, a.g * f, a.b * f}; }
inline float distance2(Rgb a, Rgb b)
{
    const float dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

float toLinear(float v)
{
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float toEncoded(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
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

// Runs body(begin, end) over [0, count) in a few parts on their own threads.
void inParallel(int count, const std::function<void(int, int)> &body)
{
    const int parts = std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    if (parts == 1 || count < 64) {
        body(0, count);
        return;
    }
    std::vector<std::thread> threads;
    for (int p = 1; p < parts; ++p)
        threads.emplace_back(body, count * p / parts, count * (p + 1) / parts);
    body(0, count / parts);
    for (std::thread &t : threads)
        t.join();
}

// --- resampling ------------------------------------------------------------------------------

struct Tap
{
    int index; // the source pixel; -1 for the border around a fitted picture
    float weight;
};

// The source pixels that make each of `count` output pixels along one axis. The screen spans
// `span` source pixels beginning `offset` pixels before the picture's first (negative: cropped).
// Shrinking averages the area each output pixel covers; enlarging interpolates linearly.
std::vector<std::vector<Tap>> axisTaps(int count, double span, double offset, int sourceSize)
{
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(count));
    const double scale = span / count;
    for (int i = 0; i < count; ++i) {
        std::vector<Tap> &out = taps[size_t(i)];
        if (scale >= 1.0) {
            const double a = i * scale - offset, b = (i + 1) * scale - offset;
            double border = 0;
            for (int j = int(std::floor(a)); j < b; ++j) {
                const double w = std::min<double>(b, j + 1) - std::max<double>(a, j);
                if (w <= 0)
                    continue;
                if (j < 0 || j >= sourceSize)
                    border += w;
                else
                    out.push_back({j, float(w / scale)});
            }
            if (border > 0)
                out.push_back({-1, float(border / scale)});
        } else {
            const double pos = (i + 0.5) * scale - offset;
            if (pos < 0 || pos >= sourceSize) {
                out.push_back({-1, 1.0f});
                continue;
            }
            const double centre = pos - 0.5;
            const int j0 = int(std::floor(centre));
            const float f = float(centre - j0);
            out.push_back({std::clamp(j0, 0, sourceSize - 1), 1.0f - f});
            out.push_back({std::clamp(j0 + 1, 0, sourceSize - 1), f});
        }
    }
    return taps;
}

// One row of the picture in linear light, transparent parts over black.
void linearRow(const QImage &image, int y, std::vector<Rgb> &row)
{
    const auto &lin = linearTable();
    const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    const bool alpha = image.hasAlphaChannel();
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = line[x];
        Rgb c{lin[size_t(qRed(p))], lin[size_t(qGreen(p))], lin[size_t(qBlue(p))]};
        if (alpha)
            c = c * (float(qAlpha(p)) / 255.0f);
        row[size_t(x)] = c;
    }
}

// The colour of the picture's edges that meet the border: the mean of those rows or columns.
Rgb edgeColour(const QImage &image, bool rows)
{
    Rgb sum;
    int n = 0;
    std::vector<Rgb> row(size_t(image.width()));
    if (rows) {
        for (int y : {0, image.height() - 1}) {
            linearRow(image, y, row);
            for (const Rgb &c : row)
                sum = sum + c;
            n += image.width();
        }
    } else {
        for (int y = 0; y < image.height(); ++y) {
            linearRow(image, y, row);
            sum = sum + row.front() + row.back();
            n += 2;
        }
    }
    return sum * (1.0f / float(std::max(n, 1)));
}

// The picture resampled onto the 320 x 400 logo in linear light.
std::vector<Rgb> resample(const QImage &image, LogoFit fit)
{
    const int w = image.width(), h = image.height();
    const bool wide = double(w) * 3 >= double(h) * 4;
    double spanX = w, spanY = h;
    if ((fit == LogoFit::Fit) == wide)
        spanY = w * 3.0 / 4.0;
    else
        spanX = h * 4.0 / 3.0;
    const auto tapsX = axisTaps(LogoWidth, spanX, (spanX - w) / 2, w);
    const auto tapsY = axisTaps(LogoHeight, spanY, (spanY - h) / 2, h);
    const bool hasBorder = fit == LogoFit::Fit && (spanX > w || spanY > h);
    const Rgb border = hasBorder ? edgeColour(image, spanY > h) : Rgb{};

    // Each source row that an output row uses, shrunk to the logo's width.
    std::vector<char> used(size_t(h), 0);
    for (const auto &taps : tapsY)
        for (const Tap &t : taps)
            if (t.index >= 0)
                used[size_t(t.index)] = 1;
    std::vector<Rgb> rows(size_t(h) * LogoWidth);
    inParallel(h, [&](int begin, int end) {
        std::vector<Rgb> line(static_cast<size_t>(w));
        for (int y = begin; y < end; ++y) {
            if (!used[size_t(y)])
                continue;
            linearRow(image, y, line);
            Rgb *out = &rows[size_t(y) * LogoWidth];
            for (int x = 0; x < LogoWidth; ++x) {
                Rgb c;
                for (const Tap &t : tapsX[size_t(x)])
                    c = c + (t.index < 0 ? border : line[size_t(t.index)]) * t.weight;
                out[x] = c;
            }
        }
    });
    std::vector<Rgb> logo(size_t(LogoWidth) * LogoHeight);
    for (int y = 0; y < LogoHeight; ++y) {
        Rgb *out = &logo[size_t(y) * LogoWidth];
        for (const Tap &t : tapsY[size_t(y)]) {
            if (t.index < 0) {
                for (int x = 0; x < LogoWidth; ++x)
                    out[x] = out[x] + border * t.weight;
            } else {
                const Rgb *in = &rows[size_t(t.index) * LogoWidth];
                for (int x = 0; x < LogoWidth; ++x)
                    out[x] = out[x] + in[x] * t.weight;
            }
        }
    }
    return logo;
}

// --- palette ---------------------------------------------------------------------------------

int nearest(const std::vector<Rgb> &palette, Rgb c)
{
    int best = 0;
    float bestDistance = distance2(palette[0], c);
    for (size_t i = 1; i < palette.size(); ++i) {
        const Rgb &p = palette[i];
        float d = (p.r - c.r) * (p.r - c.r);
        if (d >= bestDistance)
            continue;
        d += (p.g - c.g) * (p.g - c.g);
        if (d >= bestDistance)
            continue;
        d += (p.b - c.b) * (p.b - c.b);
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

// Median cut: the box with the largest squared error is split at the median of its widest
// spread until there are `count` boxes; their means seed the palette.
std::vector<Rgb> medianCut(std::vector<Rgb> samples, int count)
{
    struct Box
    {
        size_t begin, end;
        float error;
        int axis;
    };
    const auto channel = [](const Rgb &c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; };
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
                         [&](const Rgb &a, const Rgb &b) {
                             return channel(a, box.axis) < channel(b, box.axis);
                         });
        *it = measure(box.begin, middle);
        boxes.push_back(measure(middle, box.end));
    }
    std::vector<Rgb> means;
    for (const Box &box : boxes) {
        Rgb sum;
        for (size_t i = box.begin; i < box.end; ++i)
            sum = sum + samples[i];
        means.push_back(sum * (1.0f / float(box.end - box.begin)));
    }
    return means;
}

// A few rounds of k-means over the samples from the seeds.
void refine(const std::vector<Rgb> &samples, std::vector<Rgb> &centres, int rounds)
{
    std::vector<int> owner(samples.size());
    for (int round = 0; round < rounds; ++round) {
        inParallel(int(samples.size()), [&](int begin, int end) {
            for (int i = begin; i < end; ++i)
                owner[size_t(i)] = nearest(centres, samples[size_t(i)]);
        });
        std::vector<Rgb> sums(centres.size());
        std::vector<int> counts(centres.size(), 0);
        for (size_t i = 0; i < samples.size(); ++i) {
            sums[size_t(owner[i])] = sums[size_t(owner[i])] + samples[i];
            ++counts[size_t(owner[i])];
        }
        for (size_t k = 0; k < centres.size(); ++k)
            if (counts[k])
                centres[k] = sums[k] * (1.0f / float(counts[k]));
    }
}

struct Palette
{
    std::vector<Rgb> linear;       // as the screen mixes them
    std::vector<QRgb> stored;      // as the file keeps them, 8 bits a channel
};

// The palette: chosen among gamma-encoded colours, whose steps are about as far apart to the
// eye in the dark as in the light (chosen in linear light, the dark shades get too few).
Palette choosePalette(const std::vector<Rgb> &pixels, int count)
{
    std::vector<Rgb> samples;
    const size_t step = std::max<size_t>(1, pixels.size() / 40000);
    samples.reserve(pixels.size() / step + 1);
    for (size_t i = 0; i < pixels.size(); i += step)
        samples.push_back({toEncoded(pixels[i].r), toEncoded(pixels[i].g), toEncoded(pixels[i].b)});
    std::vector<Rgb> centres = medianCut(samples, count);
    refine(samples, centres, 4);

    Palette palette;
    for (const Rgb &encoded : centres) {
        const Rgb c{toLinear(encoded.r), toLinear(encoded.g), toLinear(encoded.b)};
        const QRgb stored = qRgb(encode8(c.r), encode8(c.g), encode8(c.b));
        if (std::find(palette.stored.begin(), palette.stored.end(), stored) != palette.stored.end())
            continue;
        palette.stored.push_back(stored);
        const auto &lin = linearTable();
        palette.linear.push_back({lin[size_t(qRed(stored))], lin[size_t(qGreen(stored))],
                                  lin[size_t(qBlue(stored))]});
    }
    return palette;
}

// --- dithering -------------------------------------------------------------------------------

// The `count` palette entries nearest to c, nearest first.
template<int count>
void nearestFew(const std::vector<Rgb> &palette, Rgb c, std::array<int, count> &out,
                std::array<float, count> &distances)
{
    distances.fill(std::numeric_limits<float>::max());
    out.fill(0);
    for (size_t i = 0; i < palette.size(); ++i) {
        const float d = distance2(palette[i], c);
        if (d >= distances[count - 1])
            continue;
        int at = count - 1;
        for (; at > 0 && distances[size_t(at - 1)] > d; --at) {
            distances[size_t(at)] = distances[size_t(at - 1)];
            out[size_t(at)] = out[size_t(at - 1)];
        }
        distances[size_t(at)] = d;
        out[size_t(at)] = int(i);
    }
}

Rgb clamped(Rgb c)
{
    return {std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f)};
}

// Error diffusion (Floyd-Steinberg weights, serpentine) over blocks of 2 x 2 pixels in linear
// light, as the eye mixes neighbouring pixels: each block takes, from the few palette colours
// nearest to each of its pixels and to the block's mean, the four whose mean comes closest to
// the block's mean (its pixels' own likeness weighing in a little), and passes on part of what
// its mean still misses. Four colours mixed reach far finer shades than one.
std::vector<uchar> ditherBlocks(const std::vector<Rgb> &pixels, int rows, const std::vector<Rgb> &palette)
{
    constexpr int Own = 4, Near = 7;
    constexpr float likeness = 0.05f;
    const int columns = LogoWidth / 2;
    std::vector<uchar> indices(static_cast<size_t>(LogoWidth) * LogoHeight, 0);
    std::vector<Rgb> current(size_t(columns) + 2), next(size_t(columns) + 2);
    for (int by = 0; by < rows / 2; ++by) {
        const bool forward = by % 2 == 0;
        const int dir = forward ? 1 : -1;
        std::fill(next.begin(), next.end(), Rgb{});
        for (int step = 0; step < columns; ++step) {
            const int bx = forward ? step : columns - 1 - step;
            const size_t at[4] = {size_t(2 * by) * LogoWidth + size_t(2 * bx),
                                  size_t(2 * by) * LogoWidth + size_t(2 * bx + 1),
                                  size_t(2 * by + 1) * LogoWidth + size_t(2 * bx),
                                  size_t(2 * by + 1) * LogoWidth + size_t(2 * bx + 1)};
            const Rgb carried = current[size_t(bx + 1)];
            Rgb mean;
            std::array<std::array<int, Near>, 4> near;
            std::array<std::array<float, Near>, 4> unlike;
            for (int i = 0; i < 4; ++i)
                mean = mean + pixels[at[i]];
            mean = clamped(mean * 0.25f + carried);
            std::array<int, Near - Own> shared;
            std::array<float, Near - Own> sharedDistance;
            nearestFew<Near - Own>(palette, mean, shared, sharedDistance);
            for (int i = 0; i < 4; ++i) {
                const Rgb own = clamped(pixels[at[i]] + carried);
                std::array<int, Own> mine;
                std::array<float, Own> mineDistance;
                nearestFew<Own>(palette, own, mine, mineDistance);
                for (int k = 0; k < Near; ++k) {
                    near[size_t(i)][size_t(k)] = k < Own ? mine[size_t(k)] : shared[size_t(k - Own)];
                    unlike[size_t(i)][size_t(k)] = distance2(palette[size_t(near[size_t(i)][size_t(k)])], own);
                }
            }
            // The eye tells dark shades apart far more finely than bright ones (lightness goes
            // as the cube root of luminance): a miss weighs as the lightness it changes.
            const float luminance = 0.2126f * mean.r + 0.7152f * mean.g + 0.0722f * mean.b;
            const float weight = 1.0f / std::pow(luminance + 0.01f, 4.0f / 3.0f);
            float best = std::numeric_limits<float>::max();
            std::array<int, 4> chosen{};
            for (int a = 0; a < Near; ++a) {
                const Rgb sa = palette[size_t(near[0][size_t(a)])];
                const float ua = unlike[0][size_t(a)];
                for (int b = 0; b < Near; ++b) {
                    const Rgb sb = sa + palette[size_t(near[1][size_t(b)])];
                    const float ub = ua + unlike[1][size_t(b)];
                    for (int c = 0; c < Near; ++c) {
                        const Rgb sc = sb + palette[size_t(near[2][size_t(c)])];
                        const float uc = ub + unlike[2][size_t(c)];
                        for (int d = 0; d < Near; ++d) {
                            const Rgb sd = sc + palette[size_t(near[3][size_t(d)])];
                            const float score = weight * distance2(sd * 0.25f, mean) +
                                                likeness * (uc + unlike[3][size_t(d)]) * 0.25f;
                            if (score < best) {
                                best = score;
                                chosen = {a, b, c, d};
                            }
                        }
                    }
                }
            }
            Rgb got;
            for (int i = 0; i < 4; ++i) {
                const int index = near[size_t(i)][size_t(chosen[size_t(i)])];
                indices[at[i]] = uchar(index);
                got = got + palette[size_t(index)];
            }
            // Half the miss travels on: enough to keep wide areas true on average, while each
            // block stays close to its own shade.
            const Rgb e = (mean - got * 0.25f) * 0.5f;
            current[size_t(bx + 1 + dir)] = current[size_t(bx + 1 + dir)] + e * (7.0f / 16);
            next[size_t(bx + 1 - dir)] = next[size_t(bx + 1 - dir)] + e * (3.0f / 16);
            next[size_t(bx + 1)] = next[size_t(bx + 1)] + e * (5.0f / 16);
            next[size_t(bx + 1 + dir)] = next[size_t(bx + 1 + dir)] + e * (1.0f / 16);
        }
        std::swap(current, next);
    }
    return indices;
}

// The band's colours: one turn around the colour wheel, so that the rotation runs seamlessly.
QRgb bandColour(int entry)
{
    return QColor::fromHsvF(float(entry - LogoBandFirstEntry) / float(256 - LogoBandFirstEntry),
                            0.75f, 1.0f)
        .rgb();
}

// --- the file --------------------------------------------------------------------------------

QByteArray bmpFile(const std::vector<QRgb> &palette, const std::vector<uchar> &indices,
                   int importantColours)
{
    QByteArray file(int(LogoFileSize), '\0');
    uchar *d = reinterpret_cast<uchar *>(file.data());
    const auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, d + at); };
    const auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, d + at); };
    const int pixelsAt = 14 + 40 + 256 * 4;
    d[0] = 'B';
    d[1] = 'M';
    put32(2, quint32(LogoFileSize));
    put32(10, pixelsAt);
    put32(14, 40);
    put32(18, LogoWidth);
    put32(22, LogoHeight); // bottom-up
    put16(26, 1);
    put16(28, 8);
    put32(30, 0); // BI_RGB
    put32(34, LogoWidth * LogoHeight);
    put32(46, 256);
    put32(50, quint32(importantColours));
    for (size_t i = 0; i < palette.size() && i < 256; ++i) {
        uchar *entry = d + 54 + 4 * i;
        entry[0] = uchar(qBlue(palette[i]));
        entry[1] = uchar(qGreen(palette[i]));
        entry[2] = uchar(qRed(palette[i]));
    }
    for (int y = 0; y < LogoHeight; ++y)
        std::memcpy(d + pixelsAt + (LogoHeight - 1 - y) * LogoWidth,
                    indices.data() + size_t(y) * LogoWidth, LogoWidth);
    return file;
}

} // namespace

QImage readPicture(const QString &hostPath)
{
    QImageReader reader(hostPath);
    reader.setAutoTransform(true);
    return reader.read();
}

QByteArray convertToLogo(const QImage &picture, const LogoConversionOptions &options)
{
    if (picture.isNull())
        return QByteArray();
    const QImage image = picture.convertToFormat(
        picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const std::vector<Rgb> pixels = resample(image, options.fit);

    const int pictureRows = options.animatedBand ? LogoHeight - LogoBandRows : LogoHeight;
    const int colours = options.animatedBand ? LogoBandFirstEntry : 256;
    Palette palette = choosePalette(
        std::vector<Rgb>(pixels.begin(), pixels.begin() + std::ptrdiff_t(pictureRows) * LogoWidth),
        colours);
    std::vector<uchar> indices = ditherBlocks(pixels, pictureRows, palette.linear);

    palette.stored.resize(256, qRgb(0, 0, 0));
    if (options.animatedBand) {
        const int entries = 256 - LogoBandFirstEntry;
        for (int entry = LogoBandFirstEntry; entry < 256; ++entry)
            palette.stored[size_t(entry)] = bandColour(entry);
        for (int y = pictureRows; y < LogoHeight; ++y)
            for (int x = 0; x < LogoWidth; ++x)
                indices[size_t(y) * LogoWidth + size_t(x)] =
                    uchar(LogoBandFirstEntry + x * entries / LogoWidth);
    }
    return bmpFile(palette.stored, indices, options.animatedBand ? LogoBandFirstEntry : 0);
}

} // namespace bg
