#include "core/BootScreen.h"

#include "platform/BootLogoFormat.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <QtEndian>

namespace bg {

namespace {

quint32 u32(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

} // namespace

std::optional<LogoBitmap> LogoBitmap::parse(const QByteArray &file)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(file.constData());
    if (!bootlogo::isHead(bytes, uint32_t(std::min<qsizetype>(file.size(), bootlogo::HeadBytes))))
        return std::nullopt;
    constexpr int FileHeader = bootlogo::FileHeaderBytes;
    constexpr qint64 PixelBytes = qint64(Width) * Height; // 8-bit rows of 320 need no padding
    const qint64 paletteAt = FileHeader + qint64(u32(file, FileHeader));
    const quint32 coloursUsed = u32(file, FileHeader + 32);
    const qint64 pixelsAt = u32(file, 10);
    if ((coloursUsed != 0 && coloursUsed != PaletteSize) || pixelsAt < paletteAt + PaletteSize * 4
        || pixelsAt + PixelBytes > file.size())
        return std::nullopt;

    LogoBitmap bitmap;
    bitmap.firstAnimated = u32(file, FileHeader + 36);
    bitmap.palette.reserve(PaletteSize);
    for (int i = 0; i < PaletteSize; ++i) {
        // RGBQUAD: blue, green, red, reserved.
        const auto *quad = reinterpret_cast<const uchar *>(file.constData() + paletteAt + 4 * i);
        bitmap.palette.append(qRgb(quad[2], quad[1], quad[0]));
    }
    const bool topDown = bootlogo::isTopDown(bytes);
    bitmap.indices.resize(qsizetype(PixelBytes));
    for (int row = 0; row < Height; ++row) // bottom-up files hold the top row last
        memcpy(bitmap.indices.data() + qsizetype(row) * Width,
               file.constData() + pixelsAt + qsizetype(topDown ? row : Height - 1 - row) * Width,
               Width);
    return bitmap;
}

void rotateBootPalette(QList<QRgb> &palette, quint32 first)
{
    bootlogo::rotatePalette(palette, quint32(palette.size()), first);
}

BootScreen::BootScreen(const LogoBitmap &bitmap)
    : m_frame(LogoBitmap::Width, LogoBitmap::Height, QImage::Format_Indexed8),
      m_first(bitmap.firstAnimated)
{
    m_frame.setColorTable(bitmap.palette);
    for (int row = 0; row < LogoBitmap::Height; ++row)
        memcpy(m_frame.scanLine(row), bitmap.indices.constData() + qsizetype(row) * LogoBitmap::Width,
               LogoBitmap::Width);
}

BootScreen::BootScreen(const QImage &still) : m_frame(still) {}

BootScreen BootScreen::load(FileService &files, const PictureLoader &pictures,
                            const QString &windowsPath)
{
    QByteArray data;
    qint64 size = 0;
    if (files.fileLen(windowsPath, size) == rt::Ok && size <= LogoBitmap::MaxFileBytes &&
        files.readFile(windowsPath, data, LogoBitmap::MaxFileBytes) == rt::Ok) {
        if (const std::optional<LogoBitmap> bitmap = LogoBitmap::parse(data))
            return BootScreen(*bitmap);
        return BootScreen(pictures.load(data));
    }
    const std::optional<QString> host = files.hostPath(windowsPath);
    return BootScreen(host ? pictures.load(*host) : QImage());
}

void BootScreen::step()
{
    if (!animates())
        return;
    QList<QRgb> palette = m_frame.colorTable();
    rotateBootPalette(palette, m_first);
    m_frame.setColorTable(palette);
}

} // namespace bg
