#include "ops/RenameRules.h"

#include "platform/TempNames.h"

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

RenameEnd RenameOutcome::end() const
{
    switch (result) {
    case RenameResult::Unchanged:
    case RenameResult::EmptyName:
        return RenameEnd::Finished;
    case RenameResult::Moved:
        return RenameEnd::Moved;
    case RenameResult::BadName:
    case RenameResult::ReservedName:
    case RenameResult::Exists:
    case RenameResult::MoveFailed:
        break;
    }
    return RenameEnd::Refused;
}

LogoRenamer::LogoRenamer(FileService &files) : m_files(files)
{
}

RenameOutcome LogoRenamer::rename(const QString &folder, const QString &oldName,
                                  const QString &newName) const
{
    RenameOutcome outcome{RenameResult::Unchanged, oldName};
    if (newName.isEmpty()) {
        outcome.result = RenameResult::EmptyName;
        return outcome;
    }
    // A change of letter case alone is never applied.
    if (oldName.compare(newName, Qt::CaseInsensitive) == 0)
        return outcome;

    const QString target = folder + newName;
    const FileOperation operation(m_files);
    // A name Windows cannot hold, or one that would put the file outside the folder, is never
    // handed to the file system.
    if (!isPlainFileName(newName) || target.size() > MaxPathLength)
        outcome.result = RenameResult::BadName;
    else if (tempnames::isReservedName(reinterpret_cast<const char16_t *>(newName.utf16()),
                                       size_t(newName.size())))
        outcome.result = RenameResult::ReservedName; // it would vanish from the list, and clean-up
                                                     // must never meet a user's file
    else if (m_files.fileExists(target))
        outcome.result = RenameResult::Exists;
    else if (m_files.moveFile(folder + oldName, target) != 0)
        outcome.result = RenameResult::MoveFailed;
    else
        outcome.result = RenameResult::Moved;
    return outcome;
}

} // namespace bg
