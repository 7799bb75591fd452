#include "app/CommandLine.h"
#include "app/CommandLineOptions.h"
#include "app/ConvertCommand.h"
#include "app/StartupSequence.h"
#include "core/LogoTests.h"
#include "platform/PrefixFileService.h"
#include "platform/JobChannel.h"
#include "platform/PictureLoader.h"
#include "platform/Prefix.h"
#include "platform/QtDesktop.h"
#include "platform/QtTranslations.h"
#include "platform/RawImageAccess.h"
#include "platform/ScratchFolders.h"
#include "platform/Services.h"
#include "platform/SingleInstance.h"
#include "ui/CommandLineModes.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include <cstdio>

namespace {

// The folder picker browses drives that are disk images through the image drives' service.
void browseImageDrives(bg::QtDesktop &desktop, const bg::Prefix &prefix,
                       bg::PrefixFileService &files)
{
    desktop.setVolumeFolders(
        [&prefix] {
            QStringList roots;
            for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
                if (!prefix.driveImage(QChar(letter)).isEmpty())
                    roots.append(QChar(letter) + QStringLiteral(":\\"));
            }
            return roots;
        },
        [&files](const QString &folder) -> std::optional<QStringList> {
            const bg::FileOperation reading(files);
            if (folder.size() < 3 || !files.folderExists(folder))
                return std::nullopt;
            return files.imageDrives().subFolders(
                folder.at(0), folder.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts));
        });
}

} // namespace

int main(int argc, char *argv[])
{
    // The tool's own options need no window system: they are answered before one is asked for.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments.append(QString::fromLocal8Bit(argv[i]));
    const bg::OptionsDecision options = bg::decideOptions(rawArguments);
    if (options.convert) {
        // No window system: the image readers need only the core application object.
        const QCoreApplication app(argc, argv);
        const bg::ConvertOutcome outcome = bg::runConvert(options.conversion);
        // What was written is the command's output; why nothing was, its error.
        std::fputs(outcome.message.toUtf8().constData(), outcome.exitCode == 0 ? stdout : stderr);
        return outcome.exitCode;
    }
    if (!options.run) {
        std::fputs(options.output.toUtf8().constData(), stdout);
        std::fputs(options.errorOutput.toUtf8().constData(), stderr);
        return options.exitCode;
    }

    QApplication app(argc, argv);
    bg::installQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("Bootgallery"));
    QApplication::setApplicationVersion(QString::fromUtf16(bg::ToolVersion));
    QApplication::setDesktopFileName(QStringLiteral("bootgallery"));

    // --image FILE: a prefix of the tool's own whose drive C is that disk image.
    if (!options.image.isEmpty() && !QFileInfo(options.image).isFile()) {
        std::fputs(QStringLiteral("bootgallery：找不到磁碟映像檔「%1」\n").arg(options.image).toUtf8().constData(),
                   stderr);
        return 2;
    }
    bg::Prefix prefix(options.image.isEmpty() ? bg::Prefix::defaultRoot()
                                              : bg::Prefix::imageRoot(options.image));
    const auto ensurePrefix = [&prefix, &options] {
        return options.image.isEmpty() ? prefix.ensureCreated()
                                       : prefix.ensureCreatedForImage(options.image);
    };
    // Exports of disk images that a killed copy of the tool left behind are taken down.
    bg::RawImageAccess::cleanUpLeftovers();
    bg::scratch::removeLeftBehind();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bg::PictureLoader pictures(screen ? screen->logicalDotsPerInchX() : 96.0,
                                     screen ? screen->logicalDotsPerInchY() : 96.0);
    if (!options.bootPreview.isEmpty()) {
        // Only shows a picture: no other copy of the tool is asked, none is kept from starting.
        ensurePrefix();
        bg::PrefixFileService files(prefix);
        bg::QtDesktop desktop(prefix);
        const bg::LogoTester tester(files, pictures);
        return bg::cmdline::bootPreview(
            files, desktop, tester, pictures,
            bg::commandText(prefix, {options.bootPreview}, QDir::currentPath()), nullptr);
    }
    // The lock is keyed by the prefix, so two prefixes are two machines.
    const QString lockName =
        QStringLiteral("bootgallery-") + QString::number(qHash(prefix.root()), 16);
    const bg::SingleInstance instance(lockName);
    const QString serverName = bg::SingleInstance::serverName(lockName);
    const auto commandText = [&prefix] {
        return bg::commandText(prefix, bg::jobArguments(QCoreApplication::arguments().mid(1)),
                               QDir::currentPath());
    };
    if (instance.anotherIsRunning()) {
        const QString command = commandText();
        if (command.isEmpty())
            return 0;
        // The open window does the job and says how it ended. A copy that takes no jobs (one
        // busy with a job of its own, or still starting) leaves it to this one.
        if (const std::optional<int> exitStatus = bg::handOverJob(serverName, command))
            return *exitStatus;
    }

    ensurePrefix();
    bg::PrefixFileService files(prefix);
    bg::QtDesktop desktop(prefix);
    browseImageDrives(desktop, prefix, files);
    bg::Services services{prefix,
                          files,
                          desktop,
                          pictures,
                          bg::programFolderOf(prefix, QCoreApplication::applicationDirPath()),
                          commandText(),
                          qEnvironmentVariableIsEmpty("BOOTGALLERY_COMPANION")
                              ? QCoreApplication::applicationDirPath() + QStringLiteral("/Onboot.exe")
                              : qEnvironmentVariable("BOOTGALLERY_COMPANION")};

    std::unique_ptr<bg::MainWindow> window;
    if (const int exitCode = bg::openMainWindow(services, window); !window)
        return exitCode;
    // Later starts hand their jobs to this window from now on; one arriving while the window
    // still loads waits until it is free.
    bg::JobServer jobs;
    QObject::connect(&jobs, &bg::JobServer::jobReceived, window.get(),
                     &bg::MainWindow::runHandedJob);
    jobs.listen(serverName);
    window->show();
    return app.exec();
}
