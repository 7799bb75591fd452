#include "core/LogoConversion.h"

#include "core/LogoPalette.h"

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

using logo::Colour;

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
void linearRow(const QImage &image, int y, std::vector<Colour> &row)
{
    const auto &lin = logo::linearTable();
    const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    const bool alpha = image.hasAlphaChannel();
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = line[x];
        Colour c{lin[size_t(qRed(p))], lin[size_t(qGreen(p))], lin[size_t(qBlue(p))]};
        if (alpha)
            c = c * (float(qAlpha(p)) / 255.0f);
        row[size_t(x)] = c;
    }
}

// The colour of the picture's edges that meet the border: the mean of those rows or columns.
Colour edgeColour(const QImage &image, bool rows)
{
    Colour sum;
    int n = 0;
    std::vector<Colour> row(size_t(image.width()));
    if (rows) {
        for (int y : {0, image.height() - 1}) {
            linearRow(image, y, row);
            for (const Colour &c : row)
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
std::vector<Colour> resample(const QImage &image, LogoFit fit)
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
    const Colour border = hasBorder ? edgeColour(image, spanY > h) : Colour{};

    // Each source row that an output row uses, shrunk to the logo's width.
    std::vector<char> used(size_t(h), 0);
    for (const auto &taps : tapsY)
        for (const Tap &t : taps)
            if (t.index >= 0)
                used[size_t(t.index)] = 1;
    std::vector<Colour> rows(size_t(h) * LogoWidth);
    inParallel(h, [&](int begin, int end) {
        std::vector<Colour> line(static_cast<size_t>(w));
        for (int y = begin; y < end; ++y) {
            if (!used[size_t(y)])
                continue;
            linearRow(image, y, line);
            Colour *out = &rows[size_t(y) * LogoWidth];
            for (int x = 0; x < LogoWidth; ++x) {
                Colour c;
                for (const Tap &t : tapsX[size_t(x)])
                    c = c + (t.index < 0 ? border : line[size_t(t.index)]) * t.weight;
                out[x] = c;
            }
        }
    });
    std::vector<Colour> logo(size_t(LogoWidth) * LogoHeight);
    for (int y = 0; y < LogoHeight; ++y) {
        Colour *out = &logo[size_t(y) * LogoWidth];
        for (const Tap &t : tapsY[size_t(y)]) {
            if (t.index < 0) {
                for (int x = 0; x < LogoWidth; ++x)
                    out[x] = out[x] + border * t.weight;
            } else {
                const Colour *in = &rows[size_t(t.index) * LogoWidth];
                for (int x = 0; x < LogoWidth; ++x)
                    out[x] = out[x] + in[x] * t.weight;
            }
        }
    }
    return logo;
}

// --- dithering -------------------------------------------------------------------------------

// Each pixel of a block chooses among its own nearest palette colours and then the block mean's.
constexpr int OwnChoices = 4, Choices = 7;

// A block's choices, each with its part in the block's mean and its unlikeness to its pixel,
// both in CIELAB units through the slope at the block's mean.
struct BlockChoices
{
    int entry[4][Choices];
    Colour part[4][Choices];
    float unlike[4][Choices];
};

BlockChoices choicesFor(const Colour (&wanted)[4], Colour mean, const logo::LabSlope &slope,
                        const logo::Palette &palette, const logo::LabIndex &index)
{
    // How much a pixel's likeness to its own colour counts against the block's mean.
    constexpr float likeness = 0.05f;
    BlockChoices choices;
    int shared[Choices];
    const int sharedCount = index.nearest(logo::toLab(mean), Choices, shared);
    for (int i = 0; i < 4; ++i) {
        int *entry = choices.entry[i];
        const int own = index.nearest(logo::toLab(wanted[i]), OwnChoices, entry);
        int n = own;
        for (int k = 0; k < sharedCount && n < Choices; ++k)
            if (std::find(entry, entry + own, shared[k]) == entry + own)
                entry[n++] = shared[k];
        for (; n < Choices; ++n) // a palette of very few colours
            entry[n] = entry[0];
        const Colour pixel = slope.apply(wanted[i]);
        for (int k = 0; k < Choices; ++k) {
            const Colour c = slope.apply(palette.linear[size_t(entry[k])]);
            choices.part[i][k] = c * 0.25f;
            choices.unlike[i][k] = likeness * 0.25f * distance2(c, pixel);
        }
    }
    return choices;
}

// The choice for each pixel that brings the block's mean closest to the target, its pixels'
// unlikeness added. Every choice for the first two pixels meets every choice for the last two:
// what the first pair leaves of the target against what the second pair gives, laid out for
// the compiler to vectorize, padded with pairs that never win.
std::array<int, 4> bestMix(const BlockChoices &choices, Colour target)
{
    constexpr int Pairs = Choices * Choices, Padded = (Pairs + 7) / 8 * 8;
    float leftR[Pairs], leftG[Pairs], leftB[Pairs], leftCost[Pairs];
    float givenR[Padded] = {}, givenG[Padded] = {}, givenB[Padded] = {}, givenCost[Padded];
    std::fill(givenCost + Pairs, givenCost + Padded, std::numeric_limits<float>::max());
    for (int a = 0; a < Choices; ++a)
        for (int b = 0; b < Choices; ++b) {
            const int k = a * Choices + b;
            const Colour left = target - choices.part[0][a] - choices.part[1][b];
            const Colour given = choices.part[2][a] + choices.part[3][b];
            leftR[k] = left.r;
            leftG[k] = left.g;
            leftB[k] = left.b;
            leftCost[k] = choices.unlike[0][a] + choices.unlike[1][b];
            givenR[k] = given.r;
            givenG[k] = given.g;
            givenB[k] = given.b;
            givenCost[k] = choices.unlike[2][a] + choices.unlike[3][b];
        }
    float best = std::numeric_limits<float>::max();
    int bestFirst = 0, bestSecond = 0;
    for (int first = 0; first < Pairs; ++first) {
        float score[Padded];
        for (int k = 0; k < Padded; ++k) {
            const float dr = givenR[k] - leftR[first], dg = givenG[k] - leftG[first],
                        db = givenB[k] - leftB[first];
            score[k] = dr * dr + dg * dg + db * db + givenCost[k];
        }
        float lanes[8];
        std::copy(score, score + 8, lanes);
        for (int k = 8; k < Padded; k += 8)
            for (int j = 0; j < 8; ++j)
                lanes[j] = score[k + j] < lanes[j] ? score[k + j] : lanes[j];
        const float lowest = *std::min_element(lanes, lanes + 8);
        if (lowest + leftCost[first] < best) {
            best = lowest + leftCost[first];
            bestFirst = first;
            bestSecond = int(std::find(score, score + Pairs, lowest) - score);
        }
    }
    return {bestFirst / Choices, bestFirst % Choices, bestSecond / Choices, bestSecond % Choices};
}

// Error diffusion over blocks of 2 x 2 pixels. The eye sees a block's pixels mixed in linear
// light, so each block takes the four palette colours whose mean comes closest in CIELAB to the
// block's mean, its pixels' likeness to their own colours weighing in a little. The miss is
// judged through CIELAB's slope at the block's colour, which weighs it as the eye does (dark
// shades and blue against yellow far more finely than linear light would). Four colours mixed
// reach far finer shades than one. A quarter of what the mean still misses travels on
// (Floyd-Steinberg weights, serpentine): each block's own best mix is already as close as it
// can come, and more would pull the next block off its shade.
std::vector<uchar> ditherBlocks(const std::vector<Colour> &pixels, int rows, const logo::Palette &palette)
{
    constexpr float passedOn = 0.25f;
    const int columns = LogoWidth / 2;
    const logo::LabIndex index(palette.lab);
    std::vector<uchar> indices(static_cast<size_t>(LogoWidth) * LogoHeight, 0);
    std::vector<Colour> current(size_t(columns) + 2), next(size_t(columns) + 2);
    for (int by = 0; by < rows / 2; ++by) {
        const bool forward = by % 2 == 0;
        const int dir = forward ? 1 : -1;
        std::fill(next.begin(), next.end(), Colour{});
        for (int step = 0; step < columns; ++step) {
            const int bx = forward ? step : columns - 1 - step;
            const size_t at[4] = {size_t(2 * by) * LogoWidth + size_t(2 * bx),
                                  size_t(2 * by) * LogoWidth + size_t(2 * bx + 1),
                                  size_t(2 * by + 1) * LogoWidth + size_t(2 * bx),
                                  size_t(2 * by + 1) * LogoWidth + size_t(2 * bx + 1)};
            const Colour carried = current[size_t(bx + 1)];
            Colour wanted[4], mean;
            for (int i = 0; i < 4; ++i) {
                wanted[i] = logo::clamped(pixels[at[i]] + carried);
                mean = mean + pixels[at[i]];
            }
            mean = logo::clamped(mean * 0.25f + carried);
            const logo::LabSlope slope = logo::labSlope(mean);
            const BlockChoices choices = choicesFor(wanted, mean, slope, palette, index);
            const std::array<int, 4> chosen = bestMix(choices, slope.apply(mean));
            Colour got;
            for (int i = 0; i < 4; ++i) {
                const int entry = choices.entry[i][chosen[size_t(i)]];
                indices[at[i]] = uchar(entry);
                got = got + palette.linear[size_t(entry)];
            }
            const Colour e = (mean - got * 0.25f) * passedOn;
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
    const std::vector<Colour> pixels = resample(image, options.fit);

    const int pictureRows = options.animatedBand ? LogoHeight - LogoBandRows : LogoHeight;
    const int colours = options.animatedBand ? LogoBandFirstEntry : 256;
    logo::Palette palette = logo::choosePalette(
        std::vector<Colour>(pixels.begin(), pixels.begin() + std::ptrdiff_t(pictureRows) * LogoWidth),
        colours);
    std::vector<uchar> indices = ditherBlocks(pixels, pictureRows, palette);

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
