#include "core/LogoTests.h"

#include "platform/FileService.h"
#include "platform/PictureLoader.h"
#include "platform/Prefix.h"

namespace bg {

bool HasLogoFileSize(qint64 size)
{
    if (size < 0)
        return false;
    return QString::number(size).startsWith(QLatin1String("129"));
}

QString ExtractFileName(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0)
        return QString();
    return path.mid(slash + 1);
}

QString GetSpecialFolderPath(const Prefix &prefix)
{
    return prefix.startupFolder();
}

LogoTester::LogoTester(FileService &files, const PictureLoader &pictures)
    : m_files(files), m_pictures(pictures)
{
}

bool LogoTester::testHostPath(const QString &hostPath) const
{
    return !hostPath.isEmpty() && m_pictures.hasExactSize(hostPath, QSize(320, 400));
}

bool LogoTester::IsLogoFile(const QString &windowsPath) const
{
    const auto host = m_files.hostPath(windowsPath);
    return testHostPath(host ? *host : QString());
}

bool LogoTester::IsLogoFile(const FolderFile &file) const
{
    return testHostPath(file.hostPath);
}

bool LogoTester::IsLogoContent(const QByteArray &content) const
{
    return m_pictures.hasExactSize(content, QSize(320, 400));
}

} // namespace bg
