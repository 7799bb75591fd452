#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace bg {

class FileService;

// The automatic change at boot is registered by a shortcut "Splashwheel.lnk" in the Start
// menu's Startup folder that starts the companion program Onboot.exe, installed inside the
// Windows installation (C:\Program Files\Bootgallery\) so that Windows finds it when it boots on
// its own. The shortcut exists exactly while the change is registered: Windows runs it whatever
// its attributes, so a hidden, system or read-only shortcut counts as much as a plain one.
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
    static QString companionFolder() { return QStringLiteral("C:\\Program Files\\Bootgallery"); }
    static QString installedCompanion() { return companionFolder() + u'\\' + companionName(); }

    // startupMenuFolder + "\Splashwheel.lnk".
    static QString linkPath(const QString &startupMenuFolder);
    // The text after the last backslash; a path without a backslash gives the empty text.
    static QString folderName(const QString &startupMenuFolder);

    enum class Result {
        Done,
        CompanionMissing,   // no companion was given (the tool's own copy is missing)
        CompanionNotPlaced, // it could not be installed; no shortcut was written
        LinkFailed,         // installed, but the shortcut could not be written
    };
    struct Outcome
    {
        Result result = Result::Done;
        int error = 0; // the failing step's run-time error number
    };

    // Installs the companion (its bytes; replacing an older copy in one step), then writes the
    // shortcut into the folder named by the last component of startupMenuFolder under the
    // Programs folder; an existing shortcut loses its attributes first, so that a read-only one
    // is replaced too.
    Outcome create(const QString &startupMenuFolder, const QString &programsFolder,
                   const QByteArray &companion) const;

    // Deletes the shortcut (clearing its attributes first), then the installed companion and its
    // folder when nothing else is in it. Returns 0 when no shortcut is left (none was there
    // included), else the error number.
    int remove(const QString &startupMenuFolder) const;

    // Whether the shortcut is there, whatever its attributes.
    bool isRegistered(const QString &startupMenuFolder) const;

    // An existing registration whose shortcut names a program outside drive C or a missing one,
    // or whose installed companion differs from the given one, is made anew. A missing shortcut
    // is never made here.
    enum class Repair { NotNeeded, Repaired, Failed };
    Repair repair(const QString &startupMenuFolder, const QString &programsFolder,
                  const QByteArray &companion) const;

private:
    int installCompanion(const QByteArray &companion) const;
    bool isCurrent(const QString &startupMenuFolder, const QByteArray &companion) const;

    FileService &m_files;
    LinkWriter m_writer;
};

} // namespace bg
