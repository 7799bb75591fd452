#pragma once

#include <QString>

class QWidget;

namespace bg {

class Desktop;
class FileService;
class LogoTester;
class PictureLoader;

// The two jobs of a start with arguments, apart from the windows: "/c <path>" adds a picture to
// the Startup slot's folder, any other text is a picture to preview. Each reports to the user
// through message boxes and ends with the program's exit status. They run at a start with
// arguments and, for a job a later start hands over, in the open window.
namespace cmdline {

constexpr int ExitDone = 0;    // the job was done, or there was nothing to do
constexpr int ExitRefused = 1; // refused or failed; the user has been told why

// "/c" (a lower-case c) at the start asks for the add mode; any other text is a preview.
bool isAddCommand(const QString &commandText);

// "/c" + one character + a path: copies the picture into startupFolder, the Startup slot's
// folder as stored; a trailing backslash is added when missing, as the window does when it
// lists the folder. A picture that is no logo is offered for conversion (the conversion window
// centred on owner), and the logo made of it is added as the picture's name with ".bmp".
int addToStartup(FileService &files, Desktop &desktop, const LogoTester &tester,
                 const PictureLoader &pictures, const QString &commandText,
                 const QString &startupFolder, QWidget *owner);

// Shows the picture the whole text names full size, modally, centred on owner (or on the
// screen), until it is clicked; or tells why it is not a logo.
int preview(FileService &files, Desktop &desktop, const LogoTester &tester,
            const PictureLoader &pictures, const QString &commandText, QWidget *owner);

// Shows the picture a Windows path names as the boot screen will (the boot preview), modally,
// until it is closed; or tells why it is not a logo.
int bootPreview(FileService &files, Desktop &desktop, const LogoTester &tester,
                const PictureLoader &pictures, const QString &picturePath, QWidget *owner);

// The job the text asks for: the add mode or the preview.
int run(FileService &files, Desktop &desktop, const LogoTester &tester,
        const PictureLoader &pictures, const QString &commandText,
        const QString &startupFolder, QWidget *owner);

} // namespace cmdline
} // namespace bg
