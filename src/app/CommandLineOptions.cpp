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
        "  bootgallery --convert <圖片> [<輸出.bmp>] [--fill] [--animate] [--force]\n"
        "                           將任何圖片轉換為開機畫面（320 × 400、256 色 BMP），\n"
        "                           不開視窗；未指定輸出時寫入圖片旁的「名稱.bmp」。\n"
        "                           --fill 裁切圖片以填滿畫面（預設完整顯示並補邊），\n"
        "                           --animate 保留底部的動態色帶，--force 覆寫已有的檔案\n"
        "  bootgallery --image <磁碟映像檔> [其他參數]\n"
        "                           在模擬器的磁碟映像檔（raw、VHD、VDI、qcow2、VMDK）上工作：\n"
        "                           映像檔第一個 FAT 分割區就是 C: 磁碟機\n"
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
    static const QStringList conversionOptions{QStringLiteral("--fill"), QStringLiteral("--animate"),
                                               QStringLiteral("--force")};
    const bool convert = arguments.contains(QStringLiteral("--convert"));
    bool help = false;
    bool version = false;
    QString bootPreview;
    QString image;
    QStringList files;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--boot-preview")) {
            if (!bootPreview.isEmpty() || i + 1 == arguments.size() ||
                arguments[i + 1].startsWith(QLatin1String("--")) || arguments[i + 1].isEmpty())
                return refused(QStringLiteral("選項「--boot-preview」需要一個圖片檔案"));
            bootPreview = arguments[++i];
        } else if (argument == QLatin1String("--image")) {
            if (!image.isEmpty() || i + 1 == arguments.size()
                || arguments[i + 1].startsWith(QLatin1String("--")) || arguments[i + 1].isEmpty())
                return refused(QStringLiteral("選項「--image」需要一個磁碟映像檔"));
            image = arguments[++i];
        } else if (helpNames.contains(argument)) {
            help = true;
        } else if (argument == QLatin1String("--version")) {
            version = true;
        } else if (argument.startsWith(QLatin1String("--")) && argument != QLatin1String("--convert")
                   && !(convert && conversionOptions.contains(argument))) {
            return refused(QStringLiteral("不明的選項「%1」").arg(argument));
        } else if (!argument.startsWith(QLatin1String("--"))) {
            files.append(argument);
        }
    }
    if (help)
        return {false, 0, usage(), QString(), QString()};
    if (version)
        return {false, 0, QStringLiteral("Bootgallery ") + QString::fromUtf16(ToolVersion) +
                              QLatin1Char('\n'),
                QString(), QString()};
    if (convert && !bootPreview.isEmpty())
        return refused(QStringLiteral("「--convert」與「--boot-preview」不能同時使用"));
    if (convert && !image.isEmpty())
        return refused(QStringLiteral("「--convert」與「--image」不能同時使用"));
    if (convert) {
        if (files.isEmpty() || files.size() > 2)
            return refused(QStringLiteral("--convert 需要一個圖片檔名，最多再加一個輸出檔名"));
        OptionsDecision decision{false, 0, QString(), QString(), QString()};
        decision.convert = true;
        decision.conversion.picture = files.value(0);
        decision.conversion.output = files.value(1);
        decision.conversion.options.fit =
            arguments.contains(QStringLiteral("--fill")) ? LogoFit::Fill : LogoFit::Fit;
        decision.conversion.options.animatedBand = arguments.contains(QStringLiteral("--animate"));
        decision.conversion.force = arguments.contains(QStringLiteral("--force"));
        return decision;
    }
    if (!bootPreview.isEmpty() && !files.isEmpty())
        return refused(QStringLiteral("選項「--boot-preview」只接受一個圖片檔案"));
    OptionsDecision decision{true, 0, QString(), QString(), bootPreview};
    decision.image = image;
    return decision;
}

QStringList jobArguments(const QStringList &arguments)
{
    QStringList job;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--image"))
            ++i;
        else
            job.append(arguments[i]);
    }
    return job;
}

} // namespace bg
