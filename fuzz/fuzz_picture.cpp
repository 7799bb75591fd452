// Fuzzes one picture format: its header probe, its complete-decode check and its decoder, both
// directly and through the loader the program uses (which picks the format by the first bytes),
// and checks that the different ways of asking about one file agree with each other.
//
// Built once per format; BG_FUZZ_FORMAT_<NAME> chooses which.

#include "core/BootScreen.h"
#include "platform/PictureFormats.h"
#include "platform/PictureLoader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

using namespace bg;
using namespace bg::picture;

namespace {

constexpr double Dpi = 96.0;

#if defined(BG_FUZZ_FORMAT_BMP)
Probe formatProbe(Bytes b, qint64 n) { return probeBmp(b, n); }
bool formatVerify(Bytes b, QSize &s) { return verifyBmp(b, s); }
QImage formatDecode(Bytes b) { return decodeBmp(b); }
#elif defined(BG_FUZZ_FORMAT_ICON)
Probe formatProbe(Bytes b, qint64 n) { return probeIcon(b, n); }
bool formatVerify(Bytes b, QSize &s) { return verifyIcon(b, s); }
QImage formatDecode(Bytes b) { return decodeIcon(b); }
#elif defined(BG_FUZZ_FORMAT_GIF)
Probe formatProbe(Bytes b, qint64 n) { return probeGif(b, n); }
bool formatVerify(Bytes b, QSize &s) { return verifyGif(b, s); }
QImage formatDecode(Bytes b) { return decodeGif(b); }
#elif defined(BG_FUZZ_FORMAT_JPEG)
Probe formatProbe(Bytes b, qint64 n) { return probeJpeg(b, n); }
bool formatVerify(Bytes b, QSize &s) { return verifyJpeg(b, s); }
QImage formatDecode(Bytes b) { return decodeJpeg(b); }
#elif defined(BG_FUZZ_FORMAT_WMF)
Probe formatProbe(Bytes b, qint64 n) { return probeWmf(b, n, Dpi, Dpi); }
bool formatVerify(Bytes b, QSize &s) { return verifyWmf(b, s, Dpi, Dpi); }
QImage formatDecode(Bytes b) { return decodeWmf(b, Dpi, Dpi); }
#elif defined(BG_FUZZ_FORMAT_EMF)
Probe formatProbe(Bytes b, qint64 n) { return probeEmf(b, n, Dpi, Dpi); }
bool formatVerify(Bytes b, QSize &s) { return verifyEmf(b, s, Dpi, Dpi); }
QImage formatDecode(Bytes b) { return decodeEmf(b, Dpi, Dpi); }
#else
#error "define BG_FUZZ_FORMAT_<BMP|ICON|GIF|JPEG|WMF|EMF>"
#endif

[[noreturn]] void fail(const char *what, const QSize &a = QSize(), const QSize &b = QSize())
{
    std::fprintf(stderr, "picture check failed: %s (%dx%d, %dx%d)\n", what, a.width(), a.height(),
                 b.width(), b.height());
    std::abort();
}

// The loader reads files through their host path; a memory file gives it one without disk work.
int memoryFile = -1;
QString memoryFilePath;

bool putInMemoryFile(const uint8_t *data, size_t size)
{
    if (::ftruncate(memoryFile, 0) != 0)
        return false;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(memoryFile, data + done, size - done, off_t(done));
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Metafiles draw text, which needs a GUI application; no screen is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.*=false");
    static QGuiApplication app(*argc, *argv);
    memoryFile = ::memfd_create("fuzz-picture", MFD_CLOEXEC);
    if (memoryFile < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    memoryFilePath = QStringLiteral("/proc/self/fd/%1").arg(memoryFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    const Bytes view(bytes);
    const qint64 length = qint64(size);

    // The format's own entry points.
    const Probe probe = formatProbe(view.mid(0, PictureLoader::HeaderBytes), length);
    QSize verified;
    const bool complete = formatVerify(view, verified);
    const QImage image = formatDecode(view);

    if (complete && (!validDimension(verified.width()) || !validDimension(verified.height())))
        fail("a complete picture with an impossible size", verified);
    if (!image.isNull()) {
        if (!complete)
            fail("decoded a picture the check calls incomplete", image.size());
        if (image.size() != verified)
            fail("decoded size differs from checked size", image.size(), verified);
    } else if (complete && qint64(verified.width()) * verified.height() <= MaxDisplayPixels) {
        fail("a complete picture did not decode", verified);
    }
    if (probe.completeByLength && probe.needBytes == 0 && (!complete || verified != probe.size))
        fail("header proved a picture complete that is not", probe.size, verified);

#if defined(BG_FUZZ_FORMAT_BMP)
    // The boot screen's reader: a bitmap it takes has the logo's shape, and its animation comes
    // back to the first frame after one turn of the animated entries.
    if (const auto logo = LogoBitmap::parse(bytes)) {
        if (logo->indices.size() != LogoBitmap::Width * LogoBitmap::Height
            || logo->palette.size() != LogoBitmap::PaletteSize)
            fail("a boot-screen bitmap of the wrong shape");
        QList<QRgb> palette = logo->palette;
        const quint32 turn = logo->firstAnimated ? quint32(LogoBitmap::PaletteSize) - std::min<quint32>(logo->firstAnimated, 256) : 1;
        for (quint32 step = 0; step < turn; ++step)
            rotateBootPalette(palette, logo->firstAnimated);
        if (palette != logo->palette)
            fail("the boot-screen animation does not come round");
    }
#endif

    // The loader, from memory and from a file.
    const PictureLoader loader(Dpi, Dpi);
    const PictureHeader header = loader.probe(bytes.left(PictureLoader::HeaderBytes), length);
    const QSize measured = loader.measureFully(bytes);
    const QImage loaded = loader.load(bytes);
    if (!loaded.isNull() && loaded.size() != measured)
        fail("loaded size differs from measured size", loaded.size(), measured);

    if (!putInMemoryFile(data, size))
        std::abort();
    for (const QSize wanted : {QSize(320, 400), header.size, measured, verified}) {
        const bool inMemory = loader.hasExactSize(bytes, wanted);
        const bool onDisk = loader.hasExactSize(memoryFilePath, wanted);
        if (inMemory != onDisk)
            fail("file and memory checks disagree", wanted);
        if (inMemory && measured != wanted)
            fail("exact size confirmed for a picture of another size", wanted, measured);
    }
    return 0;
}
