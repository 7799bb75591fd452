// Renaming the selected logo file in place, in a text box laid over its list row.
#include "ops/RenameRules.h"
#include "ui/FrmLogo.h"
#include "ui/LogoList.h"
#include "ui/Messages.h"

#include <QLineEdit>

namespace bg {

void FrmLogo::mnuRename_Click()
{
    const int row = lstSys->listIndex();
    if (row < 0)
        return;
    // The entry goes to the top row as far as the list can scroll; the box then covers the
    // row the entry really occupies, which near the end of a long list is a lower one.
    lstSys->setTopIndex(row);
    const QRect entry = lstSys->entryRect(row);
    QWidget *client = centralWidget();
    const QPoint rowTopLeft = lstSys->viewport()->mapTo(client, entry.topLeft());

    const int listWidthTwips = m_twips.toTwipsX(lstSys->width());
    const int width = m_twips.toPixelsX(renameBoxWidth(listWidthTwips, tag, lstSys->entryCount()));
    const int left = lstSys->x() + 2;
    txtRename->setGeometry(left, rowTopLeft.y(), width, m_twips.toPixelsY(270));

    const QString name = lstSys->entryText(row);
    txtRename->setText(name);
    txtRename->setSelection(0, int(name.size()));
    m_renameActive = true;
    txtRename->show();
    txtRename->raise();
    txtRename->setFocus(Qt::OtherFocusReason);
}

void FrmLogo::txtRename_KeyPress(int &keyAscii)
{
    renameMark = QStringLiteral("1");
    if (keyAscii == 27)
        renameMark = QStringLiteral("0");
    if (keyAscii == 13 || keyAscii == 27)
        keyAscii = 0;
}

void FrmLogo::txtRename_KeyDown(int keyCode)
{
    if (keyCode != 13)
        return;
    txtRename->hide();
    // Hiding the focused box moves the focus on, which ends the edit; when the window did not
    // hold the focus there was no such move, and the edit ends here.
    txtRename_LostFocus();
}

void FrmLogo::txtRename_LostFocus()
{
    if (!m_renameActive)
        return; // no edit running, or this edit already ended (hiding the box lands here again)
    // The box is still the window's focus control while another window or a pop-up menu holds
    // the keyboard for a while; the edit goes on.
    if (txtRename->isVisible() && focusWidget() == txtRename)
        return;
    m_renameActive = false;
    endRename();
}

void FrmLogo::endRename()
{
    txtRename->hide();
    if (renameMark != QLatin1String("1")) {
        renameMark = QStringLiteral("0");
        return;
    }
    const QString folder = state.currentFolder();
    const QString oldName = lstSys->currentText();
    const RenameOutcome outcome =
        LogoRenamer(m_services.files).rename(folder, oldName, txtRename->text());
    messages::tellRename(m_services.desktop, outcome);
    switch (outcome.end()) {
    case RenameEnd::Refused:
        return; // the mark stays as typed
    case RenameEnd::Moved:
        rescan(folder, true);
        break;
    case RenameEnd::Finished:
        break;
    }
    renameMark = QStringLiteral("0");
}

} // namespace bg
