#pragma once

#include <QString>
#include <functional>

namespace bg {

class FileService;

// The automatic change at boot is registered by a shortcut "Splashwheel.lnk" in the Start
// menu's Startup folder that starts the companion program Onboot.exe from the tool's folder.
// The shortcut exists exactly while the change is registered: Windows runs it whatever its
// attributes, so a hidden, system or read-only shortcut counts as much as a plain one.
class StartupRegistration
{
public:
    // Creates <programsFolder>\<folderName>\<linkName>.lnk to target with arguments; returns 0
    // or a run-time error number (the signature of createShellLink without the file service).
    using LinkWriter = std::function<int(const QString &programsFolder, const QString &folderName,
                                         const QString &linkName, const QString &target,
                                         const QString &arguments)>;

    // The real writer: createShellLink on the given file service.
    explicit StartupRegistration(FileService &files);
    StartupRegistration(FileService &files, LinkWriter writer);

    static QString linkName() { return QStringLiteral("Splashwheel"); }
    static QString companionName() { return QStringLiteral("Onboot.exe"); }

    // startupMenuFolder + "\Splashwheel.lnk".
    static QString linkPath(const QString &startupMenuFolder);
    // The text after the last backslash; a path without a backslash gives the empty text.
    static QString folderName(const QString &startupMenuFolder);

    // Writes the shortcut into the folder named by the last component of startupMenuFolder
    // under the Programs folder; an existing shortcut loses its attributes first, so that a
    // read-only one is replaced too. Returns 0 or the writer's error number.
    int create(const QString &startupMenuFolder, const QString &programsFolder,
               const QString &programFolder) const;

    // Deletes the shortcut, clearing its attributes first. Returns 0 when no shortcut is left
    // (none was there included), else the error number.
    int remove(const QString &startupMenuFolder) const;

    // Whether the shortcut is there, whatever its attributes.
    bool isRegistered(const QString &startupMenuFolder) const;

private:
    FileService &m_files;
    LinkWriter m_writer;
};

} // namespace bg
