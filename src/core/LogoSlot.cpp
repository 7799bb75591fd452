#include "core/LogoSlot.h"

namespace bg {

const LogoSlotInfo &slotInfo(LogoSlot slot)
{
    static const std::array<LogoSlotInfo, SlotCount> table{{
        {QStringLiteral("LOGO.SYS"), QStringLiteral("C:\\LOGO.SYS"), QStringLiteral("Start_Path"),
         QStringLiteral("Start_Checked"), QStringLiteral("開機畫面"),
         QStringLiteral("按此項可設定及瀏覽開機畫面"), QStringLiteral("開機"),
         QStringLiteral("下次開機"), QStringLiteral("下次開機"),
         QStringLiteral("開機畫面已設定更換"), QStringLiteral("開機畫面不作更換")},
        {QStringLiteral("LOGOW.SYS"), QStringLiteral("LOGOW.SYS"), QStringLiteral("Wait_Path"),
         QStringLiteral("Wait_Checked"), QStringLiteral("等待關機畫面"),
         QStringLiteral("按此項可設定及瀏覽等待關機畫面"), QStringLiteral("等待關機"),
         QStringLiteral("待會等待關機"), QStringLiteral("等待關機"),
         QStringLiteral("等待關機畫面已設定更換"), QStringLiteral("等待關機畫面不作更換")},
        {QStringLiteral("LOGOS.SYS"), QStringLiteral("LOGOS.SYS"), QStringLiteral("Shutdown_Path"),
         QStringLiteral("Shutdown_Checked"), QStringLiteral("關機畫面"),
         QStringLiteral("按此項可設定及瀏覽關機畫面"), QStringLiteral("關機"),
         QStringLiteral("待會關機"), QStringLiteral("關機"),
         QStringLiteral("關機畫面已設定更換"), QStringLiteral("關機畫面不作更換")},
    }};
    return table[static_cast<size_t>(index(slot))];
}

QString systemFilePath(LogoSlot slot, const QString &windowsFolder)
{
    if (slot == LogoSlot::Startup)
        return QStringLiteral("C:\\LOGO.SYS");
    return windowsFolder + slotInfo(slot).systemFileName;
}

} // namespace bg
