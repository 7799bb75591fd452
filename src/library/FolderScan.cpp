#include "library/FolderScan.h"

#include "core/LogoTests.h"
#include "platform/FileService.h"

#include <cmath>
#include <vector>

namespace bg {

FolderChoice confirmFolder(const QString &typed, const QString &slotFolder)
{
    const QChar backslash(QLatin1Char('\\'));
    FolderChoice choice{false, slotFolder};
    if (!choice.folder.endsWith(backslash))
        choice.folder += backslash;
    if (!typed.endsWith(backslash)) {
        if (typed.toUpper() + backslash != choice.folder.toUpper()) {
            choice.changed = true;
            choice.folder = typed + backslash;
        }
    } else if (typed.toUpper() != choice.folder.toUpper()) {
        choice.changed = true;
        choice.folder = typed;
    }
    return choice;
}

FolderScanner::FolderScanner(FileService &files, const LogoTester &tester)
    : m_files(files), m_tester(tester)
{
}

int FolderScanner::run(const QString &folder, const std::function<void(const QString &)> &found,
                       const std::function<void(double)> &progress) const
{
    std::vector<FolderFile> files;
    // Reading a large folder takes a while by itself: the window gets its turns meanwhile too.
    if (m_files.listFilesPaced(folder, files, [this] { m_tester.pumpEvents(); }) != 0)
        return 0;

    double total = 0;
    for (const FolderFile &file : files)
        total += double(file.size);

    double done = 0;
    for (const FolderFile &file : files) {
        // A file whose size already rules it out cannot pass both tests, so its picture is not
        // opened; the window still gets its turn once per file, as with the picture test.
        if (!HasLogoFileSize(file.size))
            m_tester.pumpEvents();
        else if (m_tester.IsLogoFile(file))
            found(file.name);
        done += double(file.size);
        progress(total > 0 ? done * 100.0 / total : 100.0);
    }
    return int(files.size());
}

ListWidth fitListWidth(const QStringList &entries,
                       const std::function<double(const QString &)> &measure)
{
    std::vector<double> widths;
    widths.reserve(size_t(entries.size()));
    for (const QString &entry : entries)
        widths.push_back(measure(entry));
    return fitListWidth(widths);
}

ListWidth fitListWidth(const std::vector<double> &widths)
{
    long long widest = 0;
    for (const double width : widths) {
        if (width > double(widest))
            widest = static_cast<long long>(std::nearbyint(width));
    }
    widest += 5;
    ListWidth result;
    result.extent = int(std::min<long long>(widest, 1 << 24));
    result.tag = widest < 110 ? QStringLiteral("noover") : QStringLiteral("over");
    return result;
}

QString listTooltip(const QString &listPhrase, int entries)
{
    return QStringLiteral("點兩下可設為") + listPhrase + QStringLiteral("LOGO(共有") +
           QString::number(entries) + QStringLiteral("個LOGO)");
}

} // namespace bg
