#pragma once

#include <QString>
#include <optional>
#include <vector>

class QMimeData;
class QUrl;

namespace bg {

class Desktop;
class FileService;
class LogoTester;
class Prefix;

// One dropped file: its Windows path, or nothing when its host path has no Windows form (such a
// file is treated as one that cannot be found).
using DroppedFile = std::optional<QString>;

// The host path a URL names on this machine: file: URLs without a host or naming this host.
std::optional<QString> localFilePath(const QUrl &url);

// True when the data is a list of files on this machine: a URL list whose every entry is a
// local file. Remote addresses, text and other data are not a file list.
bool holdsFileList(const QMimeData *data);

// The dropped files in the order they were dropped, each as its Windows path.
std::vector<DroppedFile> droppedFiles(const QMimeData *data, const Prefix &prefix);

// The message that ends a drop on an error: its own text for 53 and 70, the number in the
// title for any other error.
struct DropFailure
{
    QString prompt;
    QString title;
};
DropFailure dropFailure(int error);

// Copies dropped pictures into a logo folder. A file is taken when it is a 320 x 400 picture,
// its length begins with the digits 129 and it does not already lie at its destination; an
// existing destination is replaced only when the user says so. The first error shows its
// message and ends the drop.
class LogoDropAdder
{
public:
    struct Result
    {
        int copied = 0; // files copied before the drop ended
        int error = 0;  // the run-time error that ended the drop, 0 when it ran to its end
    };

    LogoDropAdder(FileService &files, const LogoTester &tester, Desktop &desktop);

    // folder ends in a backslash.
    Result add(const std::vector<DroppedFile> &files, const QString &folder) const;

private:
    bool taken(const QString &path, const QString &destination, int &error) const;
    int fail(int error) const;

    FileService &m_files;
    const LogoTester &m_tester;
    Desktop &m_desktop;
};

} // namespace bg
