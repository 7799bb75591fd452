#pragma once

#include <QString>

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
};

} // namespace bg
