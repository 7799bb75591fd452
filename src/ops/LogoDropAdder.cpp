#include "ops/LogoDropAdder.h"

#include "core/LogoTests.h"
#include "platform/FileService.h"
#include "platform/Prefix.h"
#include "platform/RuntimeError.h"

#include <QSysInfo>
#include <QMimeData>
#include <QUrl>

namespace bg {

std::optional<QString> localFilePath(const QUrl &url)
{
    if (!url.isValid() || url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0
        && host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString path = url.path(QUrl::FullyDecoded);
    if (!path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    return path;
}

bool holdsFileList(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty())
        return false;
    for (const QUrl &url : urls) {
        if (!localFilePath(url))
            return false;
    }
    return true;
}

std::vector<DroppedFile> droppedFiles(const QMimeData *data, const Prefix &prefix)
{
    std::vector<DroppedFile> files;
    if (!holdsFileList(data))
        return files;
    const QList<QUrl> urls = data->urls();
    files.reserve(size_t(urls.size()));
    for (const QUrl &url : urls)
        files.push_back(prefix.toWindows(*localFilePath(url)));
    return files;
}

LogoDropAdder::LogoDropAdder(FileService &files, const LogoTester &tester)
    : m_files(files), m_tester(tester)
{
}

DropOutcome LogoDropAdder::add(
    const std::vector<DroppedFile> &files, const QString &folder,
    const std::function<bool(const QString &fileName)> &replaceExisting) const
{
    DropOutcome outcome;
    for (const DroppedFile &file : files) {
        if (!file) {
            outcome.error = rt::FileNotFound;
            return outcome;
        }
        const QString &path = *file;
        if (m_files.folderExists(path))
            continue;
        const QString name = ExtractFileName(path);
        const QString destination = folder + name;

        int error = 0;
        const Verdict verdict = judge(path, destination, error);
        if (error) {
            outcome.error = error;
            return outcome;
        }
        if (verdict == Verdict::NotALogo)
            outcome.notLogos.push_back(path);
        if (verdict != Verdict::Taken)
            continue;

        if (m_files.fileExists(destination) && !replaceExisting(name))
            continue;
        if (const int err = m_files.copyFile(path, destination, true)) {
            outcome.error = err;
            return outcome;
        }
        ++outcome.copied;
    }
    return outcome;
}

LogoDropAdder::Verdict LogoDropAdder::judge(const QString &path, const QString &destination,
                                            int &error) const
{
    // All three tests are made for every file, in this order.
    const bool picture = m_tester.IsLogoFile(path);
    qint64 length = 0;
    error = m_files.fileLen(path, length);
    if (error)
        return Verdict::NotALogo;
    const bool sized = HasLogoFileSize(length);
    if (!picture || !sized)
        return Verdict::NotALogo;
    const bool elsewhere = path.compare(destination, Qt::CaseInsensitive) != 0
        && !m_files.sameFile(path, destination);
    return elsewhere ? Verdict::Taken : Verdict::InPlace;
}

} // namespace bg
