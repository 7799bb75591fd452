#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace bgbench {

// A small, fast generator whose sequence is the same on every machine and standard library.
class SplitMix64
{
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound).
    std::uint64_t below(std::uint64_t bound) { return bound ? next() % bound : 0; }
    // Uniform in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        return low + std::int64_t(below(std::uint64_t(high - low) + 1));
    }

private:
    std::uint64_t m_state;
};

// A file name as collections have them (mixed case, Chinese words, varied numbering), unique
// by its index.
QString fileName(SplitMix64 &rng, int index, const char *extension);

// How many files of each kind a folder holds. The standard mix per 10,000 files: 1,000 logos
// (8-bit 320 x 400 BMP, 129,078 bytes), 500 24-bit 320 x 400 BMPs, 500 320 x 400 JPEGs,
// 2,000 640 x 480 JPEG photos, 1,000 non-pictures of 129,xxx bytes and 5,000 small files.
struct Mix
{
    int logos = 0;
    int bmp24 = 0;
    int jpegLogoSize = 0;
    int photos = 0;
    int lookalikes = 0;
    int small = 0;

    static Mix forTotal(int files);
    int total() const { return logos + bmp24 + jpegLogoSize + photos + lookalikes + small; }
};

// One generated folder and what a correct scan of it must find.
struct GeneratedFolder
{
    QString hostPath;      // absolute host directory
    QString windowsPath;   // the same folder through the bench prefix, ending in a backslash
    int files = 0;
    qint64 bytes = 0;
    // Names a correct scan lists: both tests pass (the 129,078-byte logos, and the 320 x 400
    // JPEGs whose length happens to begin with 129).
    std::vector<QString> expectedLogos;
};

// Writes the bench's folders. Pictures are encoded once per family; every file of a family
// differs from the others in a few bytes that do not change what the file decodes to (pixel
// values of uncompressed bitmaps, the text of a JPEG comment segment, bytes after a PNG's end).
class DataSetWriter
{
public:
    explicit DataSetWriter(std::uint64_t seed);

    // Fills hostDir (created if needed, must be empty) with the mix. Returns false with a
    // message in error on any failure.
    bool writeFolder(const QString &hostDir, const Mix &mix, GeneratedFolder &out,
                     QString &error);

    // A folder holding only logos, hard links to the logos of an existing folder where the
    // file system allows it (copies otherwise).
    bool writeLogoFolder(const QString &hostDir, const GeneratedFolder &from, int count,
                         GeneratedFolder &out, QString &error);

private:
    struct Family
    {
        QByteArray bytes;
        // Where a file may vary bytes without changing the picture: [varyFrom, varyTo).
        qint64 varyFrom = 0;
        qint64 varyTo = 0;
    };

    void buildFamilies();
    QByteArray jpegWithComment(const Family &family, SplitMix64 &rng, int commentMin,
                               int commentMax) const;

    std::uint64_t m_seed;
    Family m_logo;
    Family m_bmp24;
    std::vector<Family> m_jpegLogoSize;
    std::vector<Family> m_photos;
    std::vector<Family> m_png;
    QByteArray m_noise; // a pool of random bytes that non-pictures and small files slice from
};

} // namespace bgbench
