#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace bg {

class FileService;
class PictureLoader;

// A logo in the form the boot screen reads it: an uncompressed 8-bit 320 x 400 bitmap with a
// palette of 256 colours (see platform/BootLogoFormat.h, the definition the companion shares).
struct LogoBitmap
{
    static constexpr int Width = 320;
    static constexpr int Height = 400;
    static constexpr int PaletteSize = 256;
    // Larger files are no such bitmap; the reader never takes more.
    static constexpr qint64 MaxFileBytes = 1 << 20;

    QByteArray indices;       // Width x Height palette indices, top row first
    QList<QRgb> palette;      // PaletteSize opaque colours
    quint32 firstAnimated = 0; // biClrImportant: entries from here to 255 rotate; 0 none do

    // The bitmap in a file's bytes; nothing when they hold no such bitmap (another format,
    // another depth or size, compressed, fewer than 256 colours, cut short).
    static std::optional<LogoBitmap> parse(const QByteArray &file);
};

// One frame of the boot screen's animation: when first is not 0, the entries first..255 each take
// the next one's colour and entry 255 takes first's; the entries below first never change.
void rotateBootPalette(QList<QRgb> &palette, quint32 first);

// A logo as the boot screen shows it: the bitmap with its palette turning one step per frame, or,
// for a picture in any other form, that picture standing still.
class BootScreen
{
public:
    BootScreen() = default; // nothing to show
    explicit BootScreen(const LogoBitmap &bitmap);
    explicit BootScreen(const QImage &still);

    // The file a Windows path names: a logo bitmap when it is one, else whatever the picture
    // loader makes of it; nothing to show when neither reads it.
    static BootScreen load(FileService &files, const PictureLoader &pictures,
                           const QString &windowsPath);

    bool isNull() const { return m_frame.isNull(); }
    // Whether the frames differ at all: a bitmap whose biClrImportant is not 0.
    bool animates() const { return m_first != 0 && m_first < LogoBitmap::PaletteSize; }
    quint32 firstAnimated() const { return m_first; }
    // The picture of the current frame (for a bitmap an indexed image with the frame's palette).
    const QImage &frame() const { return m_frame; }
    // On to the next frame.
    void step();

private:
    QImage m_frame;
    quint32 m_first = 0;
};

} // namespace bg
