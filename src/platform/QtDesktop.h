#pragma once

#include "platform/Desktop.h"
#include "platform/VolumeFolderDialog.h"

#include <QMessageBox>

#include <functional>
#include <memory>

class QAbstractButton;

namespace bg {

class Prefix;

// A message box laid out for a style number (buttons in the low bits, icon 16/32/48/64, default
// button 0/256/512), with its escape button set as Windows answers Escape or the close button:
// Cancel when the box has one, else No, else OK. The box is made, not shown.
std::unique_ptr<QMessageBox> makeMessageBox(const QString &prompt, int style, const QString &title,
                                            QWidget *parent = nullptr);

// The answer number for the button that closed a box made by makeMessageBox; no button (Escape,
// the close button) answers as the escape button does.
int messageBoxAnswer(const QMessageBox &box, const QAbstractButton *clicked);

// The desktop on a Qt Widgets session: modal QMessageBox, Qt's own QFileDialog (not the session's
// native chooser) or, while drives are disk images, the picker that reads them, the conversion
// window, QDesktopServices for the shell's "open". Paths go through the prefix on their way in
// and out. With installQtTranslations() their standard texts are in Chinese.
class QtDesktop final : public Desktop
{
public:
    explicit QtDesktop(const Prefix &prefix);

    int messageBox(const QString &prompt, int style, const QString &title) override;
    QString browseForFolder(QWidget *owner, const QString &prompt) override;
    void shellOpen(QWidget *owner, const QString &target, int showCommand) override;
    std::optional<ConversionChoice> offerConversion(QWidget *owner,
                                                    const ConversionOffer &offer) override;

    // A host directory as the folder picker returns it: its Windows path without a trailing
    // backslash, except a drive root ("D:\"); empty when the directory has no Windows form.
    QString folderResult(const QString &hostDirectory) const;

    // The drives the host cannot browse: while imageDriveRoots() names any ("C:\"), the folder
    // picker shows those roots, read through subFolders, instead of the host's folders.
    void setVolumeFolders(std::function<QStringList()> imageDriveRoots, SubFolderLister subFolders);

private:
    const Prefix &m_prefix;
    std::function<QStringList()> m_imageDriveRoots;
    SubFolderLister m_subFolders;
};

} // namespace bg
