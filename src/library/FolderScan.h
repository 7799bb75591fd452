#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace bg {

class FileService;
class LogoTester;

// The slot's folder after the user confirmed a typed folder text.
struct FolderChoice
{
    bool changed = false;
    QString folder; // ends in a backslash when it was changed or given one
};

// Compares the typed text with the slot's folder, ignoring letter case. The stored folder gets a
// trailing backslash first; a text naming the same folder in other letters leaves it as it was.
FolderChoice confirmFolder(const QString &typed, const QString &slotFolder);

// Lists the logos of one folder: one directory listing, used for both passes (sizes, then the
// two tests). A file whose size fails is not opened, which lists exactly what making both tests
// on every file would. The window's events run once per file, and every few milliseconds while
// a large folder is being read. found() gets each logo's name as the disk spells it; progress()
// gets the share of bytes examined after each file, 0 to 100 (100 for a folder whose files hold
// no bytes at all).
class FolderScanner
{
public:
    FolderScanner(FileService &files, const LogoTester &tester);

    // Returns the number of files examined (0 when the folder cannot be listed).
    int run(const QString &folder, const std::function<void(const QString &)> &found,
            const std::function<void(double)> &progress) const;

private:
    FileService &m_files;
    const LogoTester &m_tester;
};

// The list's horizontal extent from its entries' widths: the widest width rounded (halves to
// even) plus 5 pixels, and the window's mark, "noover" below 110 pixels, "over" from 110 on.
struct ListWidth
{
    int extent = 5;
    QString tag = QStringLiteral("noover");
};
ListWidth fitListWidth(const QStringList &entries,
                       const std::function<double(const QString &)> &measure);
// The same from the entries' widths, in list order.
ListWidth fitListWidth(const std::vector<double> &widths);

// "點兩下可設為" + phrase + "LOGO(共有" + n + "個LOGO)".
QString listTooltip(const QString &listPhrase, int entries);

} // namespace bg
