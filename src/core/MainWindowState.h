#pragma once

#include "core/LogoSlot.h"

#include <QString>
#include <array>

namespace bg {

// What the main window holds for its whole life.
struct MainWindowState
{
    QString programFolder;                       // ends in a backslash
    std::array<QString, SlotCount> slotFolders;  // as read; a scan gives the shown one a backslash
    std::array<bool, SlotCount> folderChanged{};
    std::array<bool, SlotCount> slotHasLogos{};
    LogoSlot currentSlot = LogoSlot::Wait;
    QString startupMenuFolder;                   // no trailing backslash
    QString windowsFolder;                       // ends in a backslash
    QString selectedLogoPath;

    QString &folder(LogoSlot slot) { return slotFolders[static_cast<size_t>(index(slot))]; }
    const QString &folder(LogoSlot slot) const
    {
        return slotFolders[static_cast<size_t>(index(slot))];
    }
    QString &currentFolder() { return folder(currentSlot); }
    const QString &currentFolder() const { return folder(currentSlot); }
};

} // namespace bg
