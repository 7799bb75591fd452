#include "ops/RenameRules.h"

#include "platform/Desktop.h"
#include "platform/FileService.h"
#include "platform/Prefix.h"

namespace bg {

int renameBoxWidth(int listWidthTwips, const QString &windowTag, int entryCount)
{
    const bool verticalBar =
        (windowTag == QLatin1String("over") && entryCount > 12) || entryCount > 14;
    return listWidthTwips - (verticalBar ? 310 : 60);
}

namespace {

bool isDeviceName(const QString &name)
{
    // The part before the first dot decides: "con.bmp" names the console as "con" does.
    const QString base = name.section(QLatin1Char('.'), 0, 0).toUpper();
    static const QStringList plain = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                      QStringLiteral("AUX"), QStringLiteral("NUL"),
                                      QStringLiteral("CLOCK$")};
    if (plain.contains(base))
        return true;
    if (base.size() == 4 && (base.startsWith(QLatin1String("COM")) ||
                             base.startsWith(QLatin1String("LPT"))))
        return base.at(3) >= u'1' && base.at(3) <= u'9';
    return false;
}

} // namespace

bool isPlainFileName(const QString &name)
{
    if (!Prefix::isValidName(name))
        return false;
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false; // covers ".", ".." and every all-dots name as well
    return !isDeviceName(name);
}

LogoRenamer::LogoRenamer(FileService &files, Desktop &desktop) : m_files(files), m_desktop(desktop)
{
}

QString LogoRenamer::existsMessage(const QString &oldName)
{
    return QStringLiteral("無法重新命名 ") + oldName +
           QStringLiteral(": 您指定名稱的檔案已經存在。請指定其它檔案。");
}

QString LogoRenamer::moveFailedMessage(const QString &oldName)
{
    return QStringLiteral("無法重新命名 ") + oldName +
           QStringLiteral(": 磁碟為寫入保護。\r\n\r\n請移除寫入保護的狀態或改用其它磁碟。");
}

RenameEnd LogoRenamer::refuse(const QString &prompt) const
{
    m_desktop.messageBox(prompt, mb::Critical, QStringLiteral("更換檔名發生錯誤"));
    return RenameEnd::Refused;
}

RenameEnd LogoRenamer::rename(const QString &folder, const QString &oldName,
                              const QString &newName) const
{
    if (newName.isEmpty()) {
        m_desktop.messageBox(QStringLiteral("您必須輸入檔名!!"), mb::Critical,
                             QStringLiteral("重新命名"));
        return RenameEnd::Finished;
    }
    // A change of letter case alone is never applied.
    if (oldName.compare(newName, Qt::CaseInsensitive) == 0)
        return RenameEnd::Finished;

    const QString target = folder + newName;
    // A name Windows cannot hold, or one that would put the file outside the folder, fails as
    // the move itself would.
    if (!isPlainFileName(newName) || target.size() > MaxPathLength)
        return refuse(moveFailedMessage(oldName));
    if (m_files.fileExists(target))
        return refuse(existsMessage(oldName));
    if (m_files.moveFile(folder + oldName, target) != 0)
        return refuse(moveFailedMessage(oldName));
    return RenameEnd::Moved;
}

} // namespace bg
