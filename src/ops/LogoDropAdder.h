#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QMimeData;
class QUrl;

namespace bg {

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

// What a drop came to.
struct DropOutcome
{
    int copied = 0; // files copied before the drop ended
    int error = 0;  // the run-time error that ended the drop, 0 when it ran to its end
    // The files passed over for not being logos (not those that lie in the folder already), in
    // the order they were dropped.
    std::vector<QString> notLogos;
};

// Copies dropped pictures into a logo folder. A file is taken when it is a 320 x 400 picture,
// its length begins with the digits 129 and it does not already lie at its destination; a
// dropped folder is no logo and is passed over. An existing destination is replaced only when
// replaceExisting (given the file name) says so. The first error ends the drop.
class LogoDropAdder
{
public:
    LogoDropAdder(FileService &files, const LogoTester &tester);

    // folder ends in a backslash.
    DropOutcome add(const std::vector<DroppedFile> &files, const QString &folder,
                    const std::function<bool(const QString &fileName)> &replaceExisting) const;

private:
    enum class Verdict { Taken, NotALogo, InPlace };
    Verdict judge(const QString &path, const QString &destination, int &error) const;

    FileService &m_files;
    const LogoTester &m_tester;
};

} // namespace bg
