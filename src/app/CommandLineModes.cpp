#include "app/CommandLineModes.h"

#include "core/LogoTests.h"
#include "platform/Desktop.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

namespace bg::cmdline {

namespace {

const QString AddFailedTitle = QStringLiteral("加入失敗");

// A failed copy, reported by its run-time error number.
void reportCopyError(Desktop &desktop, int error)
{
    switch (error) {
    case rt::FileNotFound:
        desktop.messageBox(QStringLiteral("找不到來源檔案。"), mb::Critical, AddFailedTitle);
        break;
    case rt::PermissionDenied:
        desktop.messageBox(QStringLiteral("沒有檔案的使用權限。"), mb::Critical, AddFailedTitle);
        break;
    default:
        desktop.messageBox(
            QStringLiteral("程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！"), mb::Critical,
            QStringLiteral("錯誤編號") + QString::number(error));
        break;
    }
}

// Copies over whatever is at the target and says how it went.
int copyAndReport(FileService &files, Desktop &desktop, const QString &source,
                  const QString &sourceName, const QString &target, const QString &folder)
{
    const int error = files.copyFile(source, target, true);
    if (error != rt::Ok) {
        reportCopyError(desktop, error);
        return ExitRefused;
    }
    desktop.messageBox(QStringLiteral("已成功的將 '") + sourceName + QStringLiteral("' 加入 ") +
                           folder,
                       mb::Information, QStringLiteral("加入完成"));
    return ExitDone;
}

} // namespace

int addToStartup(FileService &files, Desktop &desktop, const LogoTester &tester,
                 const QString &commandText, const QString &startupFolder)
{
    // The switch and the character after it are skipped whatever that character is.
    const QString source = commandText.mid(3);
    const QString sourceName = ExtractFileName(source);

    if (startupFolder.isEmpty() || !files.folderExists(startupFolder)) {
        desktop.messageBox(
            QStringLiteral("找不到您所設定的開機畫面路徑，請重新指定更換LOGO的檔案路徑!!"),
            mb::Critical, QStringLiteral("路徑錯誤"));
        return ExitRefused;
    }

    qint64 size = 0;
    const int measured = files.fileLen(source, size);
    // Both tests are made, as the size alone could not tell a logo.
    const bool sizeFits = measured == rt::Ok && HasLogoFileSize(size);
    const bool isLogo = tester.IsLogoFile(source);
    if (measured != rt::Ok) {
        desktop.messageBox(QStringLiteral("找不到來源檔案。"), mb::Critical, AddFailedTitle);
        return ExitRefused;
    }
    if (!sizeFits || !isLogo) {
        desktop.messageBox(QStringLiteral("'") + sourceName +
                               QStringLiteral("' 不是一個 LOGO，所以無法加入至 ") + startupFolder,
                           mb::Critical, AddFailedTitle);
        return ExitRefused;
    }

    const QString target = startupFolder + sourceName;
    if (target.toUpper() == source.toUpper())
        return ExitDone; // it lies in the folder already

    if (!files.dir(target, attr::Normal).isEmpty()) {
        const int answer = desktop.messageBox(
            QStringLiteral("'") + sourceName + QStringLiteral("' 檔案已經存在，是否要覆蓋此檔？"),
            mb::QuestionYesNo, QStringLiteral("確認取代檔案"));
        // Keeping the file that is there is the user's choice, not a failure.
        if (answer != mb::AnswerYes)
            return ExitDone;
    }
    return copyAndReport(files, desktop, source, sourceName, target, startupFolder);
}

QImage previewPicture(FileService &files, Desktop &desktop, const LogoTester &tester,
                      const PictureLoader &pictures, const QString &commandText)
{
    QImage picture;
    if (tester.IsLogoFile(commandText)) {
        if (const auto host = files.hostPath(commandText))
            picture = pictures.load(*host);
    }
    if (picture.isNull())
        desktop.messageBox(QStringLiteral("'") + ExtractFileName(commandText) +
                               QStringLiteral("' 不是一個 LOGO，所以無法預覽。"),
                           mb::Critical, QStringLiteral("預覽錯誤"));
    return picture;
}

} // namespace bg::cmdline
