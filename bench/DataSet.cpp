#include "DataSet.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QtMath>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace bgbench {

namespace {

constexpr int LogoWidth = 320;
constexpr int LogoHeight = 400;

void putU16(QByteArray &b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void putU32(QByteArray &b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// An uncompressed bottom-up BMP with a 40-byte header.
QByteArray makeBmp(int width, int height, int bitCount, SplitMix64 &rng)
{
    const int paletteEntries = bitCount == 8 ? 256 : 0;
    const qsizetype stride = ((qsizetype(width) * bitCount + 31) / 32) * 4;
    const qsizetype offBits = 14 + 40 + paletteEntries * 4;
    const qsizetype size = offBits + stride * height;
    QByteArray b(size, '\0');
    b[0] = 'B';
    b[1] = 'M';
    putU32(b, 2, quint32(size));
    putU32(b, 10, quint32(offBits));
    putU32(b, 14, 40);
    putU32(b, 18, quint32(width));
    putU32(b, 22, quint32(height));
    putU16(b, 26, 1);
    putU16(b, 28, quint16(bitCount));
    putU32(b, 34, quint32(stride * height));
    putU32(b, 38, 2835);
    putU32(b, 42, 2835);
    putU32(b, 46, quint32(paletteEntries));
    for (int i = 0; i < paletteEntries; ++i) {
        const qsizetype at = 54 + i * 4;
        b[at] = char((i * 3) & 0xFF);
        b[at + 1] = char((255 - i) & 0xFF);
        b[at + 2] = char(i);
    }
    char *bits = b.data() + offBits;
    const int phase = int(rng.below(64));
    for (int y = 0; y < height; ++y) {
        char *row = bits + stride * y;
        for (int x = 0; x < width; ++x) {
            const int v = ((x + phase) * 7 / 5 + y * 3 / 4 + ((x ^ y) & 15)) & 0xFF;
            if (bitCount == 8) {
                row[x] = char(v);
            } else {
                row[3 * x] = char(v);
                row[3 * x + 1] = char((v + y) & 0xFF);
                row[3 * x + 2] = char((255 - v + x) & 0xFF);
            }
        }
    }
    return b;
}

// A picture with the textures of a photograph (gradients, waves and grain), so that its JPEG
// has a realistic size.
QImage makePhotoLike(int width, int height, SplitMix64 &rng, int grain)
{
    QImage image(width, height, QImage::Format_RGB32);
    const double fx = 0.01 + double(rng.below(100)) / 4000.0;
    const double fy = 0.01 + double(rng.below(100)) / 4000.0;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double wave = std::sin(x * fx) * std::cos(y * fy) * 60.0;
            const int n = grain ? int(rng.below(std::uint64_t(grain) * 2 + 1)) - grain : 0;
            const int r = std::clamp(int(90 + x * 120 / width + wave) + n, 0, 255);
            const int g = std::clamp(int(60 + y * 150 / height - wave / 2) + n, 0, 255);
            const int bl = std::clamp(int(140 + wave + (x ^ y) % 23) + n, 0, 255);
            line[x] = qRgb(r, g, bl);
        }
    }
    return image;
}

QByteArray encode(const QImage &image, const char *format, int quality, bool progressive)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (progressive)
        writer.setProgressiveScanWrite(true);
    writer.write(image);
    return out;
}

// A JPEG application segment of about the given length, inserted right after the start of
// image: the block of metadata that photographs carry ahead of their frame header.
QByteArray withMetadata(const QByteArray &jpeg, int length, SplitMix64 &rng)
{
    static const char tag[] = "Photoshop 3.0";
    QByteArray segment;
    segment.reserve(length + 4);
    segment.append(char(0xFF)).append(char(0xED));
    const int payload = std::min(length, 65533);
    segment.append(char((payload + 2) >> 8)).append(char((payload + 2) & 0xFF));
    segment.append(tag, sizeof(tag)); // with its terminating zero
    while (segment.size() < payload + 4)
        segment.append(char(' ' + rng.below(95)));
    return jpeg.left(2) + segment + jpeg.mid(2);
}

bool writeWhole(const QString &path, const char *data, qsizetype size, QString &error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            ::close(fd);
            return false;
        }
        done += n;
    }
    if (::close(fd) != 0) {
        error = QStringLiteral("cannot close %1").arg(path);
        return false;
    }
    return true;
}

bool sizeBeginsWith129(qint64 size)
{
    const std::string digits = std::to_string(size);
    return digits.size() >= 3 && digits.compare(0, 3, "129") == 0;
}

const char *const LatinWords[] = {"sunrise", "Forest",  "ocean",  "Mountain", "castle",
                                  "Dragon",  "garden",  "Night",  "winter",   "Summer",
                                  "aurora",  "Harbor",  "meadow", "Tiger",    "lotus",
                                  "Zen",     "bamboo",  "Comet",  "river",    "Orchid"};
const char *const ChineseWords[] = {"風景", "山水", "花鳥", "日出", "夜景", "城堡", "海洋",
                                    "森林", "天空", "雪景", "龍", "竹林", "蓮花", "星空"};

enum class Kind { Logo, Bmp24, JpegLogoSize, Photo, Lookalike, Small };

} // namespace

Mix Mix::forTotal(int files)
{
    Mix m;
    m.logos = files / 10;
    m.bmp24 = files / 20;
    m.jpegLogoSize = files / 20;
    m.photos = files / 5;
    m.lookalikes = files / 10;
    m.small = files - m.logos - m.bmp24 - m.jpegLogoSize - m.photos - m.lookalikes;
    return m;
}

DataSetWriter::DataSetWriter(std::uint64_t seed) : m_seed(seed)
{
    buildFamilies();
}

void DataSetWriter::buildFamilies()
{
    SplitMix64 rng(m_seed ^ 0xFA11AB1Eull);

    m_logo.bytes = makeBmp(LogoWidth, LogoHeight, 8, rng);
    m_logo.varyFrom = 14 + 40 + 1024;
    m_logo.varyTo = m_logo.bytes.size();

    m_bmp24.bytes = makeBmp(LogoWidth, LogoHeight, 24, rng);
    m_bmp24.varyFrom = 54;
    m_bmp24.varyTo = m_bmp24.bytes.size();

    // 320 x 400 JPEGs: baseline at two qualities and a progressive one.
    const struct
    {
        int quality;
        bool progressive;
        int grain;
    } logoJpegs[] = {{75, false, 6}, {90, false, 10}, {85, true, 8}};
    for (const auto &f : logoJpegs) {
        const QImage image = makePhotoLike(LogoWidth, LogoHeight, rng, f.grain);
        m_jpegLogoSize.push_back({encode(image, "jpeg", f.quality, f.progressive), 0, 0});
    }

    // 640 x 480 photographs: three plain families and one with a metadata block that puts
    // its frame header well past the first 4 KiB, as camera pictures do.
    const struct
    {
        int quality;
        bool progressive;
        int grain;
        int metadata;
    } photos[] = {{85, false, 12, 0}, {92, false, 9, 0}, {80, true, 14, 0}, {88, false, 10, 24000}};
    for (const auto &f : photos) {
        const QImage image = makePhotoLike(640, 480, rng, f.grain);
        QByteArray jpeg = encode(image, "jpeg", f.quality, f.progressive);
        if (f.metadata > 0)
            jpeg = withMetadata(jpeg, f.metadata, rng);
        m_photos.push_back({jpeg, 0, 0});
    }

    for (int side : {16, 48}) {
        const QImage image = makePhotoLike(side, side, rng, 20);
        m_png.push_back({encode(image, "png", -1, false), 0, 0});
    }

    m_noise.resize(1 << 20);
    for (qsizetype i = 0; i + 8 <= m_noise.size(); i += 8) {
        const std::uint64_t v = rng.next();
        std::memcpy(m_noise.data() + i, &v, 8);
    }
}

QString fileName(SplitMix64 &rng, int index, const char *extension)
{
    QString word;
    if (rng.below(10) == 0) {
        word = QString::fromUtf8(ChineseWords[rng.below(std::size(ChineseWords))]);
        if (rng.below(2))
            word += QString::fromUtf8(ChineseWords[rng.below(std::size(ChineseWords))]);
    } else {
        word = QString::fromLatin1(LatinWords[rng.below(std::size(LatinWords))]);
        switch (rng.below(4)) {
        case 0:
            word = word.toUpper();
            break;
        case 1:
            word = word.toLower();
            break;
        default:
            break;
        }
    }
    // The index keeps every name unique; the separator and width vary like real collections.
    static const char *const separators[] = {"_", "-", " ", ""};
    const QString number = QString::number(index).rightJustified(int(rng.between(3, 6)), u'0');
    return word + QLatin1String(separators[rng.below(4)]) + number + QLatin1String(extension);
}

QByteArray DataSetWriter::jpegWithComment(const Family &family, SplitMix64 &rng, int commentMin,
                                          int commentMax) const
{
    // A comment segment right after the start of image: changes the bytes and the length of
    // the file, never the picture.
    const int length = int(rng.between(commentMin, commentMax));
    QByteArray out;
    out.reserve(family.bytes.size() + length + 4);
    out.append(family.bytes.constData(), 2);
    out.append(char(0xFF)).append(char(0xFE));
    out.append(char((length + 2) >> 8)).append(char((length + 2) & 0xFF));
    for (int i = 0; i < length; ++i)
        out.append(char(' ' + rng.below(95)));
    out.append(family.bytes.constData() + 2, family.bytes.size() - 2);
    return out;
}

bool DataSetWriter::writeFolder(const QString &hostDir, const Mix &mix, GeneratedFolder &out,
                                QString &error)
{
    if (!QDir().mkpath(hostDir)) {
        error = QStringLiteral("cannot create %1").arg(hostDir);
        return false;
    }
    out = GeneratedFolder();
    out.hostPath = QDir(hostDir).absolutePath();

    std::vector<Kind> kinds;
    kinds.reserve(size_t(mix.total()));
    kinds.insert(kinds.end(), size_t(mix.logos), Kind::Logo);
    kinds.insert(kinds.end(), size_t(mix.bmp24), Kind::Bmp24);
    kinds.insert(kinds.end(), size_t(mix.jpegLogoSize), Kind::JpegLogoSize);
    kinds.insert(kinds.end(), size_t(mix.photos), Kind::Photo);
    kinds.insert(kinds.end(), size_t(mix.lookalikes), Kind::Lookalike);
    kinds.insert(kinds.end(), size_t(mix.small), Kind::Small);

    SplitMix64 rng(m_seed * 0x100000001B3ull + std::uint64_t(mix.total()));
    for (size_t i = kinds.size(); i > 1; --i)
        std::swap(kinds[i - 1], kinds[rng.below(i)]);

    QByteArray file;
    const QString dir = out.hostPath + u'/';
    for (size_t i = 0; i < kinds.size(); ++i) {
        const int index = int(i);
        QString name;
        switch (kinds[i]) {
        case Kind::Logo:
        case Kind::Bmp24: {
            const Family &f = kinds[i] == Kind::Logo ? m_logo : m_bmp24;
            file = f.bytes;
            for (int k = 0; k < 16; ++k)
                file[qsizetype(f.varyFrom + qint64(rng.below(std::uint64_t(f.varyTo - f.varyFrom))))] =
                    char(rng.below(256));
            name = fileName(rng, index, rng.below(8) == 0 ? ".BMP" : ".bmp");
            break;
        }
        case Kind::JpegLogoSize:
            file = jpegWithComment(m_jpegLogoSize[rng.below(m_jpegLogoSize.size())], rng, 16, 3000);
            name = fileName(rng, index, rng.below(4) == 0 ? ".jpeg" : ".jpg");
            break;
        case Kind::Photo:
            file = jpegWithComment(m_photos[rng.below(m_photos.size())], rng, 16, 3000);
            name = fileName(rng, index, rng.below(3) == 0 ? ".JPG" : ".jpg");
            break;
        case Kind::Lookalike: {
            // 129,xxx bytes that are no picture: programs, archives, data and misnamed files.
            const qint64 size = rng.between(129000, 129999);
            const qint64 offset = qint64(rng.below(std::uint64_t(m_noise.size() - size)));
            file = m_noise.mid(offset, size);
            static const char *const heads[] = {"MZ", "PK\x03\x04", "RIFF", "%PDF-1.4"};
            const char *head = heads[rng.below(4)];
            std::memcpy(file.data(), head, std::strlen(head));
            static const char *const exts[] = {".bmp", ".dat", ".sys", ".exe", ".zip"};
            name = fileName(rng, index, exts[rng.below(5)]);
            break;
        }
        case Kind::Small: {
            const std::uint64_t which = rng.below(20);
            if (which < 3) {
                const Family &f = m_png[rng.below(m_png.size())];
                file = f.bytes;
                const int tail = int(rng.below(64));
                file.append(m_noise.constData() + rng.below(4096), tail); // after IEND
                name = fileName(rng, index, ".png");
            } else if (which == 3) {
                file = m_noise.left(qsizetype(rng.below(4)));
                name = fileName(rng, index, ".tmp");
            } else if (which < 8) {
                const qint64 size = rng.between(2, 16384);
                file = m_noise.mid(qint64(rng.below(std::uint64_t(m_noise.size() - size))), size);
                file[0] = 'M';
                file[1] = 'Z';
                name = fileName(rng, index, rng.below(2) ? ".dll" : ".exe");
            } else {
                const qint64 size = rng.between(1, 6000);
                file.resize(size);
                for (qint64 k = 0; k < size; ++k)
                    file[k] = (k % 61 == 60) ? '\n' : char('a' + rng.below(26));
                static const char *const exts[] = {".txt", ".ini", ".htm", ".log"};
                name = fileName(rng, index, exts[rng.below(4)]);
            }
            break;
        }
        }
        if (!writeWhole(dir + name, file.constData(), file.size(), error))
            return false;
        ++out.files;
        out.bytes += file.size();
        const bool logo = kinds[i] == Kind::Logo
                          || (kinds[i] == Kind::JpegLogoSize && sizeBeginsWith129(file.size()));
        if (logo)
            out.expectedLogos.push_back(name);
    }
    return true;
}

bool DataSetWriter::writeLogoFolder(const QString &hostDir, const GeneratedFolder &from,
                                    int count, GeneratedFolder &out, QString &error)
{
    if (!QDir().mkpath(hostDir)) {
        error = QStringLiteral("cannot create %1").arg(hostDir);
        return false;
    }
    out = GeneratedFolder();
    out.hostPath = QDir(hostDir).absolutePath();
    int made = 0;
    for (const QString &name : from.expectedLogos) {
        if (made == count)
            break;
        const QString source = from.hostPath + u'/' + name;
        if (QFileInfo(source).size() != 129078)
            continue; // only the bitmaps: a start-up folder of 1,000 genuine logos
        const QString target = out.hostPath + u'/' + name;
        if (::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0
            && !QFile::copy(source, target)) {
            error = QStringLiteral("cannot make %1").arg(target);
            return false;
        }
        out.expectedLogos.push_back(name);
        out.bytes += 129078;
        ++made;
    }
    out.files = made;
    if (made < count) {
        error = QStringLiteral("only %1 logos to link").arg(made);
        return false;
    }
    return true;
}

} // namespace bgbench
