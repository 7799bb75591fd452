#include "app/CommandLine.h"
#include "app/StartupSequence.h"
#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/Prefix.h"
#include "platform/QtDesktop.h"
#include "platform/QtTranslations.h"
#include "platform/Services.h"
#include "platform/SingleInstance.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bg::installQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("Bootgallery"));
    QApplication::setApplicationVersion(QStringLiteral("4.0"));
    QApplication::setDesktopFileName(QStringLiteral("bootgallery"));

    bg::Prefix prefix(bg::Prefix::defaultRoot());
    // The lock is keyed by the prefix, so two prefixes are two machines.
    const bg::SingleInstance instance(QStringLiteral("bootgallery-") +
                                      QString::number(qHash(prefix.root()), 16));
    if (instance.anotherIsRunning())
        return 0;

    prefix.ensureCreated();
    bg::HostFileService files(prefix);
    bg::QtDesktop desktop(prefix);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bg::PictureLoader pictures(screen ? screen->logicalDotsPerInchX() : 96.0,
                                     screen ? screen->logicalDotsPerInchY() : 96.0);

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    bg::Services services{prefix,
                          files,
                          desktop,
                          pictures,
                          bg::programFolderOf(prefix, QCoreApplication::applicationDirPath()),
                          bg::commandText(prefix, arguments, QDir::currentPath()),
                          false};

    const bg::StartDecision decision = bg::decideStart(services);
    if (!decision.openWindow)
        return decision.exitCode;
    bg::MainWindow window(services, decision.state);
    window.open();
    window.show();
    return app.exec();
}
