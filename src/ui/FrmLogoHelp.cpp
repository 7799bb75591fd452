// The Help menu: the read-me, the download sites and the About window.
#include "platform/Desktop.h"
#include "platform/DosAttributes.h"
#include "platform/FileService.h"
#include "ui/FrmAbout.h"
#include "ui/FrmLogo.h"

namespace bg {

QString FrmLogo::harborviewAddress()
{
    return QStringLiteral("https://harborview.example.com/logos/");
}

QString FrmLogo::pixelbarnAddress()
{
    return QStringLiteral("https://pixelbarn.example.net/");
}

QString FrmLogo::inkmeadowAddress()
{
    return QStringLiteral("https://inkmeadow.example.org/boot-logos/");
}

QString FrmLogo::contactAddress()
{
    return QStringLiteral("wheel@example.com");
}

void FrmLogo::mnuReadme_Click()
{
    const QString path = state.programFolder + QStringLiteral("Readme.htm");
    if (m_services.files.dir(path, attr::Normal).isEmpty()) {
        m_services.desktop.messageBox(QStringLiteral("Readme.htm 檔案找不到，請自行尋找檔案!!"),
                                      mb::Critical, QStringLiteral("檔案找不到"));
        return;
    }
    m_services.desktop.shellOpen(this, path, sw::Maximized);
}

void FrmLogo::mnuHarborview_Click()
{
    m_services.desktop.shellOpen(this, harborviewAddress(), sw::Normal);
}

void FrmLogo::mnuPixelbarn_Click()
{
    m_services.desktop.shellOpen(this, pixelbarnAddress(), sw::Normal);
}

void FrmLogo::mnuInkmeadow_Click()
{
    m_services.desktop.shellOpen(this, inkmeadowAddress(), sw::Normal);
}

void FrmLogo::mnuAbout_Click()
{
    // Modal, with no owner: the whole program waits until it is closed.
    FrmAbout about(m_services.desktop, contactAddress());
    about.exec();
}

} // namespace bg
