#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace bg {

// Message box styles and answers, as the logic numbers them.
namespace mb {
constexpr int Critical = 16;          // stop icon, OK
constexpr int Exclamation = 48;       // exclamation icon, OK
constexpr int Information = 64;       // information icon, OK
constexpr int QuestionYesNo = 292;    // question icon, Yes/No, No default
constexpr int InfoYesNo = 324;        // information icon, Yes/No, No default
constexpr int ExclamationYesNoCancel = 51; // exclamation icon, Yes/No/Cancel, Yes default
constexpr int AnswerOk = 1;
constexpr int AnswerCancel = 2;
constexpr int AnswerYes = 6;
constexpr int AnswerNo = 7;
} // namespace mb

// ShellExecute show commands.
namespace sw {
constexpr int Normal = 1;
constexpr int Maximized = 3;
} // namespace sw

// How the conversion window's pictures become logos.
struct ConversionChoice
{
    bool fill = false;         // cover the boot screen, cropping the picture; else show it whole
    bool animatedBand = false; // a colour bar along the bottom that turns while Windows starts

    bool operator==(const ConversionChoice &) const = default;
};

// A logo as the boot screen shows it: its 320 x 400 frame, which the screen stretches to 4:3
// (each pixel twice as wide as tall), and for a bitmap whose palette turns while Windows starts,
// the first palette entry that turns (0: none; see bootlogo::rotatePalette).
struct BootFrame
{
    QImage frame;
    quint32 firstAnimated = 0;
};

// What the conversion window offers: pictures that are no boot logo, to be made into logos.
struct ConversionOffer
{
    QString title;
    QString prompt;
    QStringList pictureNames; // one or more
    // Picture `index` as the boot screen would show it after the conversion; a null frame when
    // the picture does not load. Runs on a worker thread, and may run again for the same
    // arguments.
    std::function<BootFrame(int index, ConversionChoice choice)> preview;
};

// The desktop services the logic calls: modal message boxes, the folder picker and the shell's
// "open". Tests replace it with a scripted desktop that records every call.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // Shows a modal message box; returns the answer number.
    virtual int messageBox(const QString &prompt, int style, const QString &title) = 0;
    // A modal folder choice titled with the prompt. Returns a Windows path without a trailing
    // backslash (except a drive root), or the empty text on cancel.
    virtual QString browseForFolder(QWidget *owner, const QString &prompt) = 0;
    // Opens a Windows path, a web address or a mailto: link with the associated program.
    // Failures are not reported.
    virtual void shellOpen(QWidget *owner, const QString &target, int showCommand) = 0;
    // A modal window that previews the offer's pictures as logos and lets the user choose how to
    // convert them. Returns the choice, or nothing when the user declines.
    virtual std::optional<ConversionChoice> offerConversion(QWidget *owner,
                                                            const ConversionOffer &offer) = 0;
};

} // namespace bg
