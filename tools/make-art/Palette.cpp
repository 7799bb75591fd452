#include "Palette.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <vector>

namespace art {

namespace {

int channel(QRgb colour, int which)
{
    switch (which) {
    case 0: return qAlpha(colour);
    case 1: return qRed(colour);
    case 2: return qGreen(colour);
    default: return qBlue(colour);
    }
}

// Squared distance; alpha counts double so that a see-through pixel never takes an opaque entry.
qint64 distance(QRgb a, QRgb b)
{
    qint64 sum = 0;
    for (int c = 0; c < 4; ++c) {
        const qint64 d = channel(a, c) - channel(b, c);
        sum += (c == 0 ? 2 : 1) * d * d;
    }
    return sum;
}

QRgb normalised(QRgb colour) { return qAlpha(colour) == 0 ? 0u : colour; }

int nearest(const QVector<QRgb> &table, QRgb colour)
{
    int best = 0;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int i = 0; i < table.size(); ++i) {
        const qint64 d = distance(table[i], colour);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

QImage mapToTable(const QImage &source, const QVector<QRgb> &table)
{
    QImage out(source.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    QHash<QRgb, int> cache;
    for (int y = 0; y < source.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        uchar *line = out.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const QRgb colour = normalised(in[x]);
            auto it = cache.constFind(colour);
            if (it == cache.constEnd())
                it = cache.insert(colour, nearest(table, colour));
            line[x] = static_cast<uchar>(it.value());
        }
    }
    return out;
}

struct Entry
{
    QRgb colour;
    qint64 count;
};

struct Box
{
    size_t begin;
    size_t end;
};

// The channel along which a box is widest, with the weighted squared spread along it.
std::pair<int, double> widestChannel(const std::vector<Entry> &entries, const Box &box)
{
    int bestChannel = 0;
    double bestSpread = -1.0;
    for (int c = 0; c < 4; ++c) {
        double weight = 0, sum = 0, squares = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            const double v = channel(entries[i].colour, c);
            weight += entries[i].count;
            sum += v * entries[i].count;
            squares += v * v * entries[i].count;
        }
        const double spread = squares - sum * sum / weight;
        if (spread > bestSpread) {
            bestSpread = spread;
            bestChannel = c;
        }
    }
    return {bestChannel, bestSpread};
}

QRgb average(const std::vector<Entry> &entries, const Box &box)
{
    std::array<double, 4> sum{};
    double weight = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        for (int c = 0; c < 4; ++c)
            sum[static_cast<size_t>(c)] += double(channel(entries[i].colour, c)) * entries[i].count;
        weight += entries[i].count;
    }
    auto mean = [&](int c) { return qBound(0, qRound(sum[static_cast<size_t>(c)] / weight), 255); };
    return qRgba(mean(1), mean(2), mean(3), mean(0));
}

} // namespace

const QVector<QRgb> &vgaPalette()
{
    static const QVector<QRgb> table{vga::Black, vga::Maroon, vga::Green, vga::Olive,
                                     vga::Navy,  vga::Purple, vga::Teal,  vga::Silver,
                                     vga::Grey,  vga::Red,    vga::Lime,  vga::Yellow,
                                     vga::Blue,  vga::Fuchsia, vga::Aqua, vga::White};
    return table;
}

QImage toVga16(const QImage &image, bool withTransparency)
{
    QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QVector<QRgb> table = vgaPalette();
    if (withTransparency)
        table.append(0u);
    for (int y = 0; y < source.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(source.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            if (qAlpha(line[x]) < 128) {
                if (!withTransparency)
                    throw std::runtime_error("see-through pixel in an opaque 16-colour picture");
                line[x] = 0u;
            } else {
                line[x] |= 0xFF000000u;
            }
        }
    }
    return mapToTable(source, table);
}

QImage toIndexed(const QImage &image, int maxColours)
{
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QHash<QRgb, qint64> histogram;
    for (int y = 0; y < source.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x)
            ++histogram[normalised(line[x])];
    }

    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(histogram.size()));
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        entries.push_back({it.key(), it.value()});
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.colour < b.colour; });

    std::vector<Box> boxes{{0, entries.size()}};
    while (boxes.size() < static_cast<size_t>(maxColours)) {
        size_t chosen = boxes.size();
        int chosenChannel = 0;
        double chosenSpread = 0.0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2)
                continue;
            const auto [c, spread] = widestChannel(entries, boxes[i]);
            if (chosen == boxes.size() || spread > chosenSpread) {
                chosen = i;
                chosenChannel = c;
                chosenSpread = spread;
            }
        }
        if (chosen == boxes.size())
            break; // every box holds a single colour: the table is exact
        const Box box = boxes[chosen];
        const auto first = entries.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = entries.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [c = chosenChannel](const Entry &a, const Entry &b) {
            return channel(a.colour, c) < channel(b.colour, c);
        });
        qint64 total = 0;
        for (auto it = first; it != last; ++it)
            total += it->count;
        qint64 running = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            running += entries[i].count;
            split = i + 1;
            if (running * 2 >= total)
                break;
        }
        boxes[chosen] = {box.begin, split};
        boxes.push_back({split, box.end});
    }

    QVector<QRgb> table;
    table.reserve(static_cast<qsizetype>(boxes.size()));
    for (const Box &box : boxes)
        table.append(box.end - box.begin == 1 ? entries[box.begin].colour : average(entries, box));
    std::sort(table.begin(), table.end());
    table.erase(std::unique(table.begin(), table.end()), table.end());
    return mapToTable(source, table);
}

int colourCount(const QImage &image)
{
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QHash<QRgb, bool> seen;
    for (int y = 0; y < source.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x)
            seen.insert(normalised(line[x]), true);
    }
    return static_cast<int>(seen.size());
}

} // namespace art
