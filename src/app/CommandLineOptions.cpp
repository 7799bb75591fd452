#include "app/CommandLineOptions.h"

namespace bg {

namespace {

OptionsDecision refused(const QString &what)
{
    return {false, 2, QString(),
            QStringLiteral("bootgallery：%1\n請執行「bootgallery --help」查看用法。\n").arg(what),
            QString()};
}

QString usage()
{
    return QStringLiteral(
        "Bootgallery：收藏 Windows 95/98 的開機、等待關機與關機畫面（LOGO），並在每次開機時自動更換。\n"
        "\n"
        "用法：\n"
        "  bootgallery              開啟主視窗\n"
        "  bootgallery /c <圖片>    將圖片加入開機畫面資料夾\n"
        "  bootgallery <圖片>       以實際大小預覽圖片，按一下即關閉\n"
        "  bootgallery --boot-preview <圖片>\n"
        "                           以開機時的樣子預覽圖片（640 × 480，含調色盤動畫），\n"
        "                           按一下或 Esc 即關閉\n"
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
    QString bootPreview;
    int plainArguments = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--boot-preview")) {
            if (!bootPreview.isEmpty() || i + 1 == arguments.size() ||
                arguments[i + 1].startsWith(QLatin1String("--")) || arguments[i + 1].isEmpty())
                return refused(QStringLiteral("選項「--boot-preview」需要一個圖片檔案"));
            bootPreview = arguments[++i];
        } else if (helpNames.contains(argument)) {
            help = true;
        } else if (argument == QLatin1String("--version")) {
            version = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return refused(QStringLiteral("不明的選項「%1」").arg(argument));
        } else {
            ++plainArguments;
        }
    }
    if (help)
        return {false, 0, usage(), QString(), QString()};
    if (version)
        return {false, 0, QStringLiteral("Bootgallery ") + QString::fromUtf16(ToolVersion) +
                              QLatin1Char('\n'),
                QString(), QString()};
    if (!bootPreview.isEmpty() && plainArguments > 0)
        return refused(QStringLiteral("選項「--boot-preview」只接受一個圖片檔案"));
    return {true, 0, QString(), QString(), bootPreview};
}

} // namespace bg
