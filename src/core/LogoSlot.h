#pragma once

#include <QString>
#include <array>

namespace bg {

// The three moments Windows shows a full-screen logo; the index of every per-slot array and the
// order of every per-slot walk.
enum class LogoSlot : qint16 { Startup = 0, Wait = 1, Shutdown = 2 };

constexpr int SlotCount = 3;
constexpr std::array<LogoSlot, SlotCount> AllSlots{LogoSlot::Startup, LogoSlot::Wait,
                                                   LogoSlot::Shutdown};

constexpr int index(LogoSlot slot) { return static_cast<int>(slot); }
constexpr bool isSlotIndex(int value) { return value >= 0 && value < SlotCount; }

// What belongs to one slot: its system file, settings keys and the words the texts use.
struct LogoSlotInfo
{
    QString systemFileName;   // "LOGO.SYS", "LOGOW.SYS", "LOGOS.SYS"
    QString targetName;       // name in the same-file message ("C:\LOGO.SYS" for start-up)
    QString folderKey;        // "Start_Path" ...
    QString checkedKey;       // "Start_Checked" ...
    QString tabCaption;       // "開機畫面" ...
    QString tabTooltip;       // "按此項可設定及瀏覽開機畫面" ...
    QString slotWord;         // "開機" ... (exit questions)
    QString applyPhrase;      // "下次開機", "待會等待關機", "待會關機"
    QString listPhrase;       // "下次開機", "等待關機", "關機"
    QString checkedTooltip;   // "開機畫面已設定更換" ...
    QString uncheckedTooltip; // "開機畫面不作更換" ...
};

const LogoSlotInfo &slotInfo(LogoSlot slot);

// The slot's system file: "C:\LOGO.SYS" on drive C whatever the Windows directory is, the other
// two in the Windows directory (windowsFolder ends in a backslash).
QString systemFilePath(LogoSlot slot, const QString &windowsFolder);

} // namespace bg
