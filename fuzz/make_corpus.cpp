// Writes the seed corpora of the fuzz targets: small pictures of every kind the loader reads
// (made by the test picture factory), settings files and paths.
//
//   make_corpus <fuzz/corpus folder>
//
// Seeds already in the folders (such as inputs that once found a fault) are left alone.

#include "support/PictureFactory.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QList>
#include <QPair>
#include <QRect>
#include <QSize>

#include <cstdio>

namespace pics = bg::test::pictures;
using pics::BmpLayout;

namespace {

using Seeds = QList<QPair<QString, QByteArray>>;

bool writeSeeds(const QString &folder, const Seeds &seeds)
{
    if (!QDir().mkpath(folder))
        return false;
    for (const auto &[name, bytes] : seeds) {
        QFile f(folder + u'/' + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            return false;
        }
    }
    return true;
}

// The way the fuzz data provider reads a text of random length: a backslash is written twice,
// a backslash and another byte end the text.
QByteArray text(const QByteArray &bytes)
{
    QByteArray out = bytes;
    out.replace('\\', "\\\\");
    return out + "\\;";
}

const QSize Logo(320, 400);
const QSize Small(7, 5);

Seeds bmpSeeds()
{
    Seeds s;
    for (int bits : {1, 4, 8, 16, 24, 32})
        s.append({QStringLiteral("bits%1.bmp").arg(bits), pics::bmp(Small, bits)});
    s.append({QStringLiteral("core12.bmp"), pics::bmp(Small, 8, BmpLayout::Core12)});
    s.append({QStringLiteral("v4.bmp"), pics::bmp(Small, 24, BmpLayout::V4)});
    s.append({QStringLiteral("v5.bmp"), pics::bmp(Small, 32, BmpLayout::V5)});
    s.append({QStringLiteral("topdown.bmp"), pics::bmp(Small, 8, BmpLayout::TopDown)});
    s.append({QStringLiteral("bitfields565.bmp"), pics::bmp(Small, 16, BmpLayout::Bitfields565)});
    s.append({QStringLiteral("rle8.bmp"), pics::bmpRle(QSize(21, 9))});
    s.append({QStringLiteral("rle4.bmp"), pics::bmpRle(QSize(21, 9), true)});
    s.append({QStringLiteral("rle8-logo.bmp"), pics::bmpRle(Logo)});
    s.append({QStringLiteral("header-only-logo.bmp"), pics::bmpHeaderOnly(Logo)});
    return s;
}

Seeds iconSeeds()
{
    return {
        {QStringLiteral("small.ico"), pics::icon(QSize(8, 8))},
        {QStringLiteral("small.cur"), pics::icon(QSize(8, 8), true)},
        {QStringLiteral("offset.ico"), pics::icon(QSize(4, 4), false, 300)},
        {QStringLiteral("png.ico"), pics::iconWithPng(QSize(4, 4))},
    };
}

Seeds gifSeeds()
{
    return {
        {QStringLiteral("small.gif"), pics::gif(QSize(9, 7))},
        {QStringLiteral("interlaced.gif"), pics::gif(QSize(9, 17), true)},
        {QStringLiteral("logo.gif"), pics::gif(Logo)},
    };
}

Seeds jpegSeeds()
{
    return {
        {QStringLiteral("baseline.jpg"), pics::jpeg(QSize(17, 9))},
        {QStringLiteral("progressive.jpg"), pics::jpeg(QSize(17, 9), true)},
        {QStringLiteral("metadata.jpg"), pics::jpeg(QSize(8, 8), false, 500)},
    };
}

Seeds wmfSeeds()
{
    return {
        {QStringLiteral("logo.wmf"), pics::wmf(Logo, 96, QRect(10, 10, 100, 100))},
        {QStringLiteral("twips.wmf"), pics::wmf(QSize(4800, 6000), 1440)},
        {QStringLiteral("checksum.wmf"), pics::wmfBadChecksum(QSize(30, 40), 96)},
    };
}

Seeds emfSeeds()
{
    return {
        {QStringLiteral("logo.emf"), pics::emf(QSize(8467, 10583), QRect(5, 5, 50, 50))},
        {QStringLiteral("small.emf"), pics::emf(QSize(500, 300))},
    };
}

// Section, key, value, other section, other key, a 16-bit-wide text, then the file; the buffer
// size is read from the last two bytes.
QByteArray profileSeed(const QByteArray &section, const QByteArray &key, const QByteArray &value,
                       const QByteArray &file, quint16 buffer)
{
    return text(section) + text(key) + text(value) + text("SplashwheelSet") + text("Method")
        + text(QByteArray("\x2d\x4e\x87\x65", 4)) + file + char(buffer >> 8) + char(buffer & 0xFF);
}

Seeds profileSeeds()
{
    const QByteArray big5Path("C:\\\xb5\x65\xad\xb1\\", 8); // C:\畫面\ in code page 950
    const QByteArray settings = "[SplashwheelSet]\r\nStart_Path=C:\\Logos\\\r\nWait_Path="
        + big5Path + "\r\nStart_Checked=1\r\nPopUp=0\r\nMethod=Random\r\n";
    return {
        {QStringLiteral("settings"), profileSeed("SplashwheelSet", "Wait_Path", big5Path, settings, 260)},
        {QStringLiteral("new-section"),
         profileSeed("Other", "Key", "\"quoted\"", "; comment\n[a]\nb = c\n", 5)},
        {QStringLiteral("cut-big5"), profileSeed("s", "k", "x", "[s]\r\nk=\xa4\xa4\xa4\xe5\r\n", 4)},
        {QStringLiteral("no-break"), profileSeed(" s ", " k ", " v ", "[S]\rk=old", 100)},
    };
}

QByteArray pathSeed(const QByteArray &windows, const QByteArray &host)
{
    return text(windows) + host;
}

Seeds pathSeeds()
{
    return {
        {QStringLiteral("logo"), pathSeed("C:\\logos\\ONE.bmp", "Logos/one.bmp")},
        {QStringLiteral("dots"), pathSeed("c:/a b/../Logos/./showed/", "deep/er/../../LOGO.SYS")},
        {QStringLiteral("unicode"), pathSeed("C:\\ärger\\SS", "中文/圖.bmp")},
        {QStringLiteral("drive-d"), pathSeed("D:\\pictures\\new.bmp", "../d/Pictures")},
        {QStringLiteral("outside"), pathSeed("Z:\\tmp", "outside/tmp")},
        {QStringLiteral("links"), pathSeed("C:\\link\\one.bmp", "loop/x")},
        {QStringLiteral("invalid"), pathSeed("C:\\a?b", "a:b/c")},
    };
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus <corpus folder>\n");
        return 2;
    }
    const QString root = QFile::decodeName(argv[1]);
    const QList<QPair<QString, Seeds>> all = {
        {QStringLiteral("fuzz_picture_bmp"), bmpSeeds()},
        {QStringLiteral("fuzz_picture_icon"), iconSeeds()},
        {QStringLiteral("fuzz_picture_gif"), gifSeeds()},
        {QStringLiteral("fuzz_picture_jpeg"), jpegSeeds()},
        {QStringLiteral("fuzz_picture_wmf"), wmfSeeds()},
        {QStringLiteral("fuzz_picture_emf"), emfSeeds()},
        {QStringLiteral("fuzz_profile"), profileSeeds()},
        {QStringLiteral("fuzz_paths"), pathSeeds()},
    };
    for (const auto &[target, seeds] : all) {
        if (!writeSeeds(root + u'/' + target, seeds))
            return 1;
    }
    return 0;
}
