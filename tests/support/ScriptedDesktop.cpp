#include "support/ScriptedDesktop.h"

#include <QTest>

namespace bg::test {

int ScriptedDesktop::messageBox(const QString &prompt, int style, const QString &title)
{
    const Box box{prompt, style, title};
    boxes.append(box);
    if (onBox)
        onBox(box);
    if (style == mb::Critical || style == mb::Information || style == mb::Exclamation)
        return mb::AnswerOk;
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    QTest::qFail(qPrintable(QStringLiteral("unexpected question: %1 / %2").arg(title, prompt)), __FILE__, __LINE__);
    return style == mb::ExclamationYesNoCancel ? mb::AnswerCancel : mb::AnswerNo;
}

QString ScriptedDesktop::browseForFolder(QWidget *owner, const QString &prompt)
{
    folderPrompts.append(prompt);
    folderOwners.append(owner);
    return m_folders.isEmpty() ? QString() : m_folders.takeFirst();
}

std::optional<ConversionChoice> ScriptedDesktop::offerConversion(QWidget *,
                                                                 const ConversionOffer &offer)
{
    offers.append(offer);
    if (m_conversions.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected conversion offer: ") + offer.prompt),
                     __FILE__, __LINE__);
        return std::nullopt;
    }
    const std::optional<ConversionChoice> choice = m_conversions.takeFirst();
    offerPreviews.append(offer.preview ? offer.preview(0, choice.value_or(ConversionChoice{}))
                                       : BootFrame());
    return choice;
}

} // namespace bg::test
