#include "platform/QtDesktop.h"

#include "platform/ConversionDialog.h"
#include "platform/Prefix.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QUrl>

#include <vector>

namespace bg {
namespace {

// Message box style bits.
constexpr int ButtonsMask = 0x0F;
constexpr int IconMask = 0x70;
constexpr int DefaultMask = 0x300;
constexpr int DefaultShift = 8;

enum : int {
    ButtonsOk = 0,
    ButtonsOkCancel = 1,
    ButtonsAbortRetryIgnore = 2,
    ButtonsYesNoCancel = 3,
    ButtonsYesNo = 4,
    ButtonsRetryCancel = 5,
};

enum : int {
    IconCritical = 16,
    IconQuestion = 32,
    IconExclamation = 48,
    IconInformation = 64,
};

constexpr int AnswerAbort = 3;
constexpr int AnswerRetry = 4;
constexpr int AnswerIgnore = 5;

// The buttons of a style, in the order the default-button bits count them.
std::vector<QMessageBox::StandardButton> buttonsOf(int style)
{
    switch (style & ButtonsMask) {
    case ButtonsOkCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case ButtonsAbortRetryIgnore:
        return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case ButtonsYesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case ButtonsYesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case ButtonsRetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    case ButtonsOk:
    default:
        return {QMessageBox::Ok};
    }
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & IconMask) {
    case IconCritical:
        return QMessageBox::Critical;
    case IconQuestion:
        return QMessageBox::Question;
    case IconExclamation:
        return QMessageBox::Warning;
    case IconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int answerOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok:
        return mb::AnswerOk;
    case QMessageBox::Cancel:
        return mb::AnswerCancel;
    case QMessageBox::Abort:
        return AnswerAbort;
    case QMessageBox::Retry:
        return AnswerRetry;
    case QMessageBox::Ignore:
        return AnswerIgnore;
    case QMessageBox::Yes:
        return mb::AnswerYes;
    case QMessageBox::No:
        return mb::AnswerNo;
    default:
        return mb::AnswerCancel;
    }
}

bool isWebAddress(const QString &target)
{
    for (const auto scheme : {QLatin1String("http://"), QLatin1String("https://"),
                              QLatin1String("mailto:")}) {
        if (target.startsWith(scheme, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

std::unique_ptr<QMessageBox> makeMessageBox(const QString &prompt, int style, const QString &title,
                                            QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    QString text = prompt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box->setText(text);
    box->setIcon(iconOf(style));

    const std::vector<QMessageBox::StandardButton> buttons = buttonsOf(style);
    QMessageBox::StandardButtons set;
    for (const auto b : buttons)
        set |= b;
    box->setStandardButtons(set);

    const auto defaultIndex = std::size_t((style & DefaultMask) >> DefaultShift);
    box->setDefaultButton(defaultIndex < buttons.size() ? buttons[defaultIndex] : buttons.front());

    // Escape and the close button: Cancel, else No, else a lone OK. Abort/Retry/Ignore has none,
    // so such a box can only be answered with one of its buttons.
    if (set & QMessageBox::Cancel)
        box->setEscapeButton(QMessageBox::Cancel);
    else if (set & QMessageBox::No)
        box->setEscapeButton(QMessageBox::No);
    else if (set == QMessageBox::Ok)
        box->setEscapeButton(QMessageBox::Ok);
    return box;
}

int messageBoxAnswer(const QMessageBox &box, const QAbstractButton *clicked)
{
    const QAbstractButton *button = clicked ? clicked : box.escapeButton();
    if (!button)
        button = box.defaultButton();
    return answerOf(box.standardButton(const_cast<QAbstractButton *>(button)));
}

QtDesktop::QtDesktop(const Prefix &prefix) : m_prefix(prefix) {}

int QtDesktop::messageBox(const QString &prompt, int style, const QString &title)
{
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    const auto box = makeMessageBox(prompt, style, title, parent);
    box->exec();
    return messageBoxAnswer(*box, box->clickedButton());
}

void QtDesktop::setVolumeFolders(std::function<QStringList()> imageDriveRoots,
                                 SubFolderLister subFolders)
{
    m_imageDriveRoots = std::move(imageDriveRoots);
    m_subFolders = std::move(subFolders);
}

QString QtDesktop::browseForFolder(QWidget *owner, const QString &prompt)
{
    if (const QStringList roots = m_imageDriveRoots ? m_imageDriveRoots() : QStringList();
        !roots.isEmpty()) {
        VolumeFolderDialog dialog(prompt, roots, m_subFolders, owner);
        return dialog.exec() == QDialog::Accepted ? dialog.chosenFolder() : QString();
    }
    const QString start = m_prefix.toHost(QStringLiteral("C:\\")).value_or(QString());
    // Qt's own dialog rather than the desktop's: it speaks the program's Traditional Chinese
    // through Qt's translations, whatever language the session's file chooser would use.
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, prompt, start, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return {};
    return folderResult(chosen);
}

QString QtDesktop::folderResult(const QString &hostDirectory) const
{
    const auto windows = m_prefix.toWindows(hostDirectory);
    if (!windows || windows->isEmpty())
        return {};
    return pickedFolder(*windows);
}

void QtDesktop::shellOpen(QWidget *, const QString &target, int)
{
    if (isWebAddress(target)) {
        QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
        return;
    }
    if (const auto host = m_prefix.toHost(target))
        QDesktopServices::openUrl(QUrl::fromLocalFile(*host));
}

std::optional<ConversionChoice> QtDesktop::offerConversion(QWidget *owner,
                                                           const ConversionOffer &offer)
{
    ConversionDialog dialog(offer, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace bg
