#include "app/CommandLineOptions.h"

namespace bg {

namespace {

QString usage()
{
    return QStringLiteral(
        "Bootgallery：收藏 Windows 95/98 的開機、等待關機與關機畫面（LOGO），並在每次開機時自動更換。\n"
        "\n"
        "用法：\n"
        "  bootgallery              開啟主視窗\n"
        "  bootgallery /c <圖片>    將圖片加入開機畫面資料夾\n"
        "  bootgallery <圖片>       以實際大小預覽圖片，按一下即關閉\n"
        "  bootgallery --help       顯示這段說明（-h、/? 亦同）\n"
        "  bootgallery --version    顯示版本\n"
        "\n"
        "主視窗已開啟時，/c 與預覽的工作交由該視窗完成。\n"
        "\n"
        "環境變數：\n"
        "  BOOTGALLERY_PREFIX       模擬 Windows 磁碟機的目錄（內含 dosdevices/c: 等），\n"
        "                           預設為 $XDG_DATA_HOME/bootgallery（~/.local/share/bootgallery）\n");
}

} // namespace

OptionsDecision decideOptions(const QStringList &arguments)
{
    static const QStringList helpNames{QStringLiteral("--help"), QStringLiteral("-h"),
                                       QStringLiteral("/?")};
    bool help = false;
    bool version = false;
    for (const QString &argument : arguments) {
        if (helpNames.contains(argument)) {
            help = true;
        } else if (argument == QLatin1String("--version")) {
            version = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return {false, 2, QString(),
                    QStringLiteral("bootgallery：不明的選項「%1」\n"
                                   "請執行「bootgallery --help」查看用法。\n")
                        .arg(argument)};
        }
    }
    if (help)
        return {false, 0, usage(), QString()};
    if (version)
        return {false, 0, QStringLiteral("Bootgallery ") + QString::fromUtf16(ToolVersion) +
                              QLatin1Char('\n'),
                QString()};
    return {};
}

} // namespace bg
