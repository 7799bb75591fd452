#pragma once

#include "platform/Desktop.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace bg::test {

// A desktop whose answers a test scripts in advance and which records every call. A question
// with no scripted answer left fails the running test (and is answered Cancel or No, so the code
// under test goes on to a clean end).
class ScriptedDesktop : public Desktop
{
public:
    struct Box
    {
        QString prompt;
        int style = 0;
        QString title;
        bool operator==(const Box &) const = default;
    };
    struct Open
    {
        QString target;
        int showCommand = 0;
    };

    int messageBox(const QString &prompt, int style, const QString &title) override;
    QString browseForFolder(QWidget *owner, const QString &prompt) override;
    void shellOpen(QWidget *, const QString &target, int showCommand) override { opened.append({target, showCommand}); }
    // Records the offer and draws the first picture's preview with the answer, as the window
    // would before the user chose.
    std::optional<ConversionChoice> offerConversion(QWidget *, const ConversionOffer &offer) override;

    // Answers for the next questions, in order; OK-only boxes (styles 16, 64) take none.
    void answer(int answerNumber) { m_answers.append(answerNumber); }
    // The result of the next folder picker (empty text = cancel).
    void pickFolder(const QString &windowsPath) { m_folders.append(windowsPath); }
    // The answer to the next conversion offer (nothing = the user declines).
    void chooseConversion(std::optional<ConversionChoice> choice) { m_conversions.append(choice); }

    QList<Box> boxes;
    QStringList folderPrompts;
    QList<QWidget *> folderOwners;
    QList<Open> opened;
    QList<ConversionOffer> offers;
    QList<BootFrame> offerPreviews; // the first picture's preview drawn for each offer
    // Runs inside every box, e.g. to look at the window at that moment.
    std::function<void(const Box &)> onBox;

    void clear()
    {
        boxes.clear(), folderPrompts.clear(), folderOwners.clear(), opened.clear(), offers.clear();
        offerPreviews.clear(), m_answers.clear(), m_folders.clear(), m_conversions.clear();
    }
    int pendingAnswers() const { return int(m_answers.size()); }

private:
    QList<int> m_answers;
    QStringList m_folders;
    QList<std::optional<ConversionChoice>> m_conversions;
};

} // namespace bg::test
