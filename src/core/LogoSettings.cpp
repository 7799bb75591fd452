#include "core/LogoSettings.h"

#include "platform/PrivateProfile.h"

namespace bg {

SettingsFile::SettingsFile(PrivateProfile &profile, QString windowsFolder)
    : m_profile(profile), m_windowsFolder(std::move(windowsFolder))
{
}

QString SettingsFile::readKey(const QString &key, bool upToFirstZero) const
{
    QByteArray bytes = m_profile.getString(section(), key, QString(), BufferSize, path());
    if (upToFirstZero) {
        const qsizetype zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
    }
    return cp950::decode(bytes);
}

std::array<QString, SlotCount> SettingsFile::readFolders() const
{
    std::array<QString, SlotCount> folders;
    for (LogoSlot slot : AllSlots)
        folders[static_cast<size_t>(index(slot))] = readKey(slotInfo(slot).folderKey, true);
    return folders;
}

void SettingsFile::readOptions(LogoSettings &settings) const
{
    for (LogoSlot slot : AllSlots)
        settings.changeAtBoot[static_cast<size_t>(index(slot))] =
            readKey(slotInfo(slot).checkedKey, false) == QLatin1String("True");
    settings.popUp = readKey(QStringLiteral("PopUp"), false) != QLatin1String("False");
    settings.method = methodFromWord(readKey(QStringLiteral("Method"), false));
}

LogoSettings SettingsFile::read() const
{
    LogoSettings settings;
    settings.folders = readFolders();
    readOptions(settings);
    return settings;
}

SettingsWrite SettingsFile::write(const QString &key, const QString &value)
{
    // The profile refuses both kinds of failure alike; what it cannot encode is told apart here
    // first, so that nothing is written then.
    QByteArray sectionBytes;
    QByteArray keyBytes;
    QByteArray valueBytes;
    if (!cp950::encode(section(), sectionBytes) || !cp950::encode(key, keyBytes)
        || !cp950::encode(value, valueBytes)
        || !ProfileText::canHold(sectionBytes, keyBytes, valueBytes))
        return SettingsWrite::NotEncodable;
    return m_profile.writeString(section(), key, value, path()) ? SettingsWrite::Written
                                                                : SettingsWrite::Refused;
}

} // namespace bg
