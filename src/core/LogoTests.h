#pragma once

#include <QByteArray>
#include <QString>

namespace bg {

class FileService;
class PictureLoader;
class Prefix;
struct FolderFile;

// The size pre-test: the size in decimal begins with "129".
bool HasLogoFileSize(qint64 size);

// The text after the last backslash; empty when there is none or the path ends in one.
QString ExtractFileName(const QString &path);

// The Start menu's Startup folder, without a trailing backslash; empty when there is none.
QString GetSpecialFolderPath(const Prefix &prefix);

// The picture test: the file loads completely and measures 320 x 400 pixels. Safe to call from
// any thread, as the file service and the picture loader it uses are.
class LogoTester
{
public:
    LogoTester(FileService &files, const PictureLoader &pictures);
    // It keeps the loader it is given: a temporary one would be gone at once.
    LogoTester(FileService &files, const PictureLoader &&pictures) = delete;

    bool IsLogoFile(const QString &windowsPath) const;
    // The same test on a file of a folder listing, without resolving its path again.
    bool IsLogoFile(const FolderFile &file) const;
    // The same test on a file's whole content, already read.
    bool IsLogoContent(const QByteArray &content) const;

private:
    bool testHostPath(const QString &hostPath) const;

    FileService &m_files;
    const PictureLoader &m_pictures;
};

} // namespace bg
