#include "ops/FolderScan.h"

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
