// make-art: draws Bootgallery's icons, button pictures and cursor and writes them as PNG files
// under the resources folder given as the only argument (default: the current folder).
// The files are committed; run this again only after changing a drawing.

#include "Palette.h"
#include "Pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <exception>

namespace {

struct Output
{
    const char *path; // relative to the resources folder
    QImage image;
    int maxColours;   // 0: not an indexed picture
};

void write(const QDir &resources, const Output &out)
{
    const QString path = resources.filePath(QString::fromLatin1(out.path));
    if (!QDir().mkpath(QFileInfo(path).path()))
        throw std::runtime_error("cannot create the folder of " + path.toStdString());
    if (out.maxColours > 0 && out.image.colorCount() > out.maxColours)
        throw std::runtime_error(std::string(out.path) + " has too many colours");
    QImageWriter writer(path, "png");
    writer.setCompression(9);
    if (!writer.write(out.image))
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 writer.errorString().toStdString());
    std::printf("%-24s %3d x %-3d  %s\n", out.path, out.image.width(), out.image.height(),
                out.maxColours > 0 ? qPrintable(QStringLiteral("%1 table entries")
                                                    .arg(out.image.colorCount()))
                                   : qPrintable(QStringLiteral("%1 colours")
                                                    .arg(art::colourCount(out.image))));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2) {
        std::fprintf(stderr, "usage: make-art [resources-folder]\n");
        return 2;
    }
    const QDir resources(args.size() == 2 ? args[1] : QDir::currentPath());

    try {
        int textSize = 0;
        QImage restore = art::restoreButton(&textSize);
        QImage hand = art::handCursor();
        // Readers of the cursor find its hot spot in the file's text chunks.
        hand.setText(QStringLiteral("HotspotX"), QString::number(art::HandHotspot.x()));
        hand.setText(QStringLiteral("HotspotY"), QString::number(art::HandHotspot.y()));

        const Output outputs[] = {
            {"icons/bootgallery.png", art::windowIcon(), 17},
            {"icons/about.png", art::aboutIcon(), 0},
            {"pictures/folder.png", art::folderButton(), 0},
            {"pictures/restore.png", restore, 16},
            {"pictures/globe.png", art::globe(), 17},
            {"pictures/drag.png", art::dragIcon(), 256},
            {"pictures/about.png", art::aboutPicture(), 0},
            {"cursors/hand.png", hand, 17},
        };
        for (const Output &out : outputs)
            write(resources, out);
        std::printf("restore button words drawn at %d px; hand cursor hot spot (%d, %d)\n",
                    textSize, art::HandHotspot.x(), art::HandHotspot.y());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make-art: %s\n", e.what());
        return 1;
    }
    return 0;
}
