#pragma once

#include "core/ChangeMethod.h"
#include "core/LogoSlot.h"

#include <QString>
#include <array>

namespace bg {

class PrivateProfile;

// The content of the settings file SW.ini, section "SplashwheelSet".
struct LogoSettings
{
    std::array<QString, SlotCount> folders;
    std::array<bool, SlotCount> changeAtBoot{};
    bool popUp = true;
    ChangeMethod method = ChangeMethod::Random;
};

// How a write to the settings file ended.
enum class SettingsWrite {
    Written,      // the value is in the file
    NotEncodable, // the key or value cannot be held by the file (code page 950, one line)
    Refused,      // the file could not be read or replaced (read-only, protected disk, ...)
};

// Reads and writes SW.ini in the Windows directory with the profile functions' rules.
class SettingsFile
{
public:
    static constexpr int BufferSize = 1024;

    SettingsFile(PrivateProfile &profile, QString windowsFolder);

    QString path() const { return m_windowsFolder + QStringLiteral("SW.ini"); }

    // The three folder keys, used as read (no backslash added).
    std::array<QString, SlotCount> readFolders() const;
    // The change-at-boot flags, PopUp and Method into settings (the folders are left alone).
    void readOptions(LogoSettings &settings) const;
    // Folders and options together.
    LogoSettings read() const;

    // One WritePrivateProfileStringA call; when the value did not reach the file, says why.
    SettingsWrite write(const QString &key, const QString &value);
    static QString flagWord(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }

    static QString section() { return QStringLiteral("SplashwheelSet"); }

private:
    QString readKey(const QString &key, bool upToFirstZero) const;

    PrivateProfile &m_profile;
    QString m_windowsFolder;
};

} // namespace bg
