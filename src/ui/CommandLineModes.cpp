#include "ui/CommandLineModes.h"

#include "core/LogoTests.h"
#include "ops/PictureConversion.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "core/BootScreen.h"
#include "ui/FrmBootPreview.h"
#include "ui/FrmLogoPreview.h"
#include "ui/DiskChange.h"
#include "ui/Messages.h"

namespace bg::cmdline {

bool isAddCommand(const QString &commandText)
{
    return commandText.startsWith(QLatin1String("/c"));
}

namespace {

// Offers a picture that is no logo for conversion, and adds the logo made of it as NAME.bmp.
int addConverted(FileService &files, Desktop &desktop, const PictureLoader &pictures,
                 const QString &source, const QString &startupFolder, QWidget *owner)
{
    const QString sourceName = ExtractFileName(source);
    const QString name = convertedLogoName(sourceName);
    const QString target = startupFolder + name;
    // The picture is never written over by its own logo.
    if (target.compare(source, Qt::CaseInsensitive) == 0 || files.sameFile(source, target)) {
        messages::notALogoToAdd(desktop, sourceName, startupFolder);
        return ExitRefused;
    }
    auto conversions =
        std::make_shared<LogoConversions>(files, pictures, QStringList{source});
    ConversionOffer offer = messages::addConversionOffer({sourceName}, startupFolder);
    offer.preview = LogoConversions::previewOf(conversions);
    const auto choice = desktop.offerConversion(owner, offer);
    if (!choice)
        return ExitDone; // the user's choice, like keeping a file that is there
    if (!files.dir(target, attr::Normal).isEmpty() && !messages::askReplace(desktop, name))
        return ExitDone;
    // Usually made already, for the preview the user just saw.
    const QByteArray logo = conversions->logo(0, *choice);
    const int error = logo.isEmpty() ? rt::InvalidPicture : files.writeFileAtomic(target, logo);
    if (error != rt::Ok) {
        messages::addFailed(desktop, error);
        return ExitRefused;
    }
    messages::added(desktop, name, startupFolder);
    return ExitDone;
}

} // namespace

int addToStartup(FileService &files, Desktop &desktop, const LogoTester &tester,
                 const PictureLoader &pictures, const QString &commandText,
                 const QString &storedFolder, QWidget *owner)
{
    QString startupFolder = storedFolder;
    if (!startupFolder.isEmpty() && !startupFolder.endsWith(QLatin1Char('\\')))
        startupFolder += QLatin1Char('\\');
    // The switch and the character after it are skipped whatever that character is.
    const QString source = commandText.mid(3);
    const QString sourceName = ExtractFileName(source);

    if (startupFolder.isEmpty() || !files.folderExists(startupFolder)) {
        messages::startupFolderNotFound(desktop);
        return ExitRefused;
    }
    const DiskChange change(files, desktop, {startupFolder}, messages::titles::add());
    if (!change.allowed())
        return ExitRefused;

    qint64 size = 0;
    const int measured = files.fileLen(source, size);
    // Both tests are made, as the size alone could not tell a logo.
    const bool sizeFits = measured == rt::Ok && HasLogoFileSize(size);
    const bool isLogo = tester.IsLogoFile(source);
    if (measured != rt::Ok) {
        messages::sourceUnreadable(desktop, measured);
        return ExitRefused;
    }
    if (!sizeFits || !isLogo) {
        if (canConvert(files, pictures, source))
            return addConverted(files, desktop, pictures, source, startupFolder, owner);
        messages::notALogoToAdd(desktop, sourceName, startupFolder);
        return ExitRefused;
    }

    const QString target = startupFolder + sourceName;
    if (target.compare(source, Qt::CaseInsensitive) == 0 || files.sameFile(source, target))
        return ExitDone; // it lies in the folder already (maybe under another path)

    // Keeping the file that is there is the user's choice, not a failure.
    if (!files.dir(target, attr::Normal).isEmpty() && !messages::askReplace(desktop, sourceName))
        return ExitDone;
    // Whatever is at the target is replaced.
    if (const int error = files.copyFile(source, target, true); error != rt::Ok) {
        messages::addFailed(desktop, error);
        return ExitRefused;
    }
    messages::added(desktop, sourceName, startupFolder);
    return ExitDone;
}

int preview(FileService &files, Desktop &desktop, const LogoTester &tester,
            const PictureLoader &pictures, const QString &commandText, QWidget *owner)
{
    QImage picture;
    if (tester.IsLogoFile(commandText)) {
        if (const auto host = files.hostPath(commandText))
            picture = pictures.load(*host);
    }
    if (picture.isNull()) {
        messages::notALogoToPreview(desktop, ExtractFileName(commandText));
        return ExitRefused;
    }
    FrmLogoPreview::showModal(picture, commandText, owner);
    return ExitDone;
}

int bootPreview(FileService &files, Desktop &desktop, const LogoTester &tester,
                const PictureLoader &pictures, const QString &picturePath, QWidget *owner)
{
    const BootScreen screen = tester.IsLogoFile(picturePath)
                                  ? BootScreen::load(files, pictures, picturePath)
                                  : BootScreen();
    if (screen.isNull()) {
        messages::notALogoToPreview(desktop, ExtractFileName(picturePath));
        return ExitRefused;
    }
    FrmBootPreview::showModal(screen, owner);
    return ExitDone;
}

int run(FileService &files, Desktop &desktop, const LogoTester &tester,
        const PictureLoader &pictures, const QString &commandText,
        const QString &startupFolder, QWidget *owner)
{
    return isAddCommand(commandText)
               ? addToStartup(files, desktop, tester, pictures, commandText, startupFolder, owner)
               : preview(files, desktop, tester, pictures, commandText, owner);
}

} // namespace bg::cmdline
