#pragma once

#include "core/LogoSlot.h"
#include "ops/OriginalLogos.h"

#include <QString>
#include <QStringList>

namespace bg {

class Desktop;
struct ConversionOffer;
enum class SettingsWrite;
struct ApplyOutcome;
struct DropOutcome;
struct RenameOutcome;

// Every message box the program shows, with its text, style and title. Operations report what
// happened; these functions tell the user. Functions named tell... show nothing for an outcome
// that needs no word; questions return the answer.
namespace messages {

// --- Drives that are disk images ---
// At start-up: the image of drive C cannot be read (NoFatVolume, ImageUnusable), or it can be
// read but not written (ImageLocked, PermissionDenied): the program works read-only.
void tellImageDriveAtStart(Desktop &desktop, const QString &imageName, int readProblem,
                           int writeProblem);
// A change is not made because the image it would write cannot be written now; title: the
// change's usual failure title.
void imageNotWritten(Desktop &desktop, const QString &imageName, int problem, const QString &title);

// The usual failure titles of the changes, for the message of an image that stops one.
namespace titles {
inline QString apply() { return QStringLiteral("更換失敗"); }
inline QString restoreOriginal() { return QStringLiteral("還原原始畫面"); }
inline QString restoreUsed() { return QStringLiteral("還原失敗"); }
inline QString remove() { return QStringLiteral("刪除檔案發生錯誤"); }
inline QString rename() { return QStringLiteral("更換檔名發生錯誤"); }
inline QString add() { return QStringLiteral("加入失敗"); }
inline QString startAtBoot() { return QStringLiteral("開機啟動"); }
inline QString settings() { return QStringLiteral("設定錯誤"); }
} // namespace titles

// --- The shown folder and its list ---
// The typed or chosen folder does not exist.
void folderNotFound(Desktop &desktop);
// A list entry that does not load as a picture was chosen.
void notAPicture(Desktop &desktop, const QString &entryName);

// --- Applying a logo to a slot ---
// The success message, or why the slot keeps its logo.
void tellApply(Desktop &desktop, const ApplyOutcome &outcome, LogoSlot slot,
               const QString &entryName);

// The used-logo folder is a link to a folder elsewhere: nothing is written into or moved out of it.
void usedFolderIsLink(Desktop &desktop);

// Whether Windows' own logo of the slot came back, was never kept, or could not come back.
void tellRestoreOriginal(Desktop &desktop, const OriginalLogos::RestoreOutcome &outcome,
                         LogoSlot slot);

// --- Pictures that are no logo yet ---
// The conversion window's texts for dropped pictures (or one named on the command line) to be
// added to a folder as logos; the preview is left to the caller.
ConversionOffer addConversionOffer(const QStringList &pictureNames, const QString &folder);
// The same for a chosen entry that passes as a logo but is no bitmap the boot screen shows.
ConversionOffer applyConversionOffer(const QString &entryName, LogoSlot slot);
// The picture to be applied no longer loads: nothing was changed.
void conversionFailed(Desktop &desktop, const QString &entryName);

// --- Deleting a logo ---
// True when the user answers Yes.
bool confirmDelete(Desktop &desktop, const QString &name);
void deleteFailed(Desktop &desktop, const QString &name);

// --- Renaming a logo ---
// Why the file keeps its name, or that a name must be typed; nothing otherwise.
void tellRename(Desktop &desktop, const RenameOutcome &outcome);

// --- Adding pictures (dropped ones, and the add mode of the command line) ---
// Whether a file of this name in the logo folder is replaced; true when the user answers Yes.
bool askReplace(Desktop &desktop, const QString &fileName);
// The error that ended a drop; nothing when the drop ran to its end.
void tellDrop(Desktop &desktop, const DropOutcome &outcome);
// A picture could not be copied into the logo folder: the run-time error's own text.
void addFailed(Desktop &desktop, int error);

// --- Start at boot ---
// The shortcut could not be written; an old one may still be there (and run at boot).
void registrationFailed(Desktop &desktop, bool oldShortcutStays);
// The companion program is not beside the tool (or not readable): nothing was registered.
void companionMissing(Desktop &desktop, const QString &hostPath);
// The companion could not be installed into the Windows installation: nothing was registered.
void companionNotPlaced(Desktop &desktop, const QString &folder);
// The slot changes at boot, but its folder lies on the drive that maps the host's root.
void folderOffWindows(Desktop &desktop, LogoSlot slot, const QString &folder);
// The shortcut could not be deleted: the companion still runs at every boot.
void unregistrationFailed(Desktop &desktop);

// --- Help ---
void readmeNotFound(Desktop &desktop);

// --- Closing the main window ---
// The slot's folder was changed: Yes saves it, No keeps the old one, Cancel keeps the window.
// Returns the answer number.
int askSaveFolder(Desktop &desktop, LogoSlot slot);
void folderWithoutLogos(Desktop &desktop);
void folderIsDriveRoot(Desktop &desktop);
// The slot's folder did not reach the settings file, for the reason given.
void folderNotSaved(Desktop &desktop, LogoSlot slot, SettingsWrite reason);
void optionsNotSaved(Desktop &desktop);

// --- A start with arguments ---
// The Startup slot has no folder, or its folder is missing.
void startupFolderNotFound(Desktop &desktop);
// The picture to add could not be looked at: access denied has its own text, anything else
// counts as a missing file.
void sourceUnreadable(Desktop &desktop, int error);
void notALogoToAdd(Desktop &desktop, const QString &fileName, const QString &folder);
void added(Desktop &desktop, const QString &fileName, const QString &folder);
void notALogoToPreview(Desktop &desktop, const QString &fileName);

} // namespace messages
} // namespace bg
