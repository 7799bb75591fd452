#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace bg {

// The slot's folder after the user confirmed a typed folder text.
struct FolderChoice
{
    bool changed = false;
    QString folder; // ends in a backslash when it was changed or given one
};

// Compares the typed text with the slot's folder, ignoring letter case. The stored folder gets a
// trailing backslash first; a text naming the same folder in other letters leaves it as it was.
FolderChoice confirmFolder(const QString &typed, const QString &slotFolder);

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
