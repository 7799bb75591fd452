// A start with arguments: one job without the main window, then the end of the program.
#include "app/CommandLineModes.h"
#include "ui/FrmLogo.h"
#include "ui/FrmLogoPreview.h"

#include <QGuiApplication>
#include <QScreen>

namespace bg {

int FrmLogo::runAddMode(const QString &commandText)
{
    return cmdline::addToStartup(m_services.files, m_services.desktop, m_tester, commandText,
                                 state.folder(LogoSlot::Startup));
}

int FrmLogo::runPreviewMode(const QString &commandText)
{
    const QImage picture = cmdline::previewPicture(m_services.files, m_services.desktop, m_tester,
                                                   m_services.pictures, commandText);
    if (picture.isNull())
        return cmdline::ExitRefused;

    // The hidden main window goes to the centre of the screen; the preview is centred there.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    FrmLogoPreview::showModal(picture, commandText, this);
    return cmdline::ExitDone;
}

} // namespace bg
