#pragma once

#include <QImage>
#include <QString>

namespace bg {

class Desktop;
class FileService;
class LogoTester;
class PictureLoader;

// The two jobs of a start with arguments, apart from the windows: "/c <path>" adds a picture to
// the Startup slot's folder, any other text is a picture to preview. Each reports to the user
// through message boxes and ends with the program's exit status.
namespace cmdline {

constexpr int ExitDone = 0;    // the job was done, or there was nothing to do
constexpr int ExitRefused = 1; // refused or failed; the user has been told why

// "/c" + one character + a path: copies the picture into startupFolder (the Startup slot's
// folder as stored: the target is that text followed directly by the file name).
int addToStartup(FileService &files, Desktop &desktop, const LogoTester &tester,
                 const QString &commandText, const QString &startupFolder);

// The picture the preview mode shows for the whole text, or a null image after the
// "not a logo" message has been shown.
QImage previewPicture(FileService &files, Desktop &desktop, const LogoTester &tester,
                      const PictureLoader &pictures, const QString &commandText);

} // namespace cmdline
} // namespace bg
