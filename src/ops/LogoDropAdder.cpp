#include "ops/LogoDropAdder.h"

#include "core/LogoTests.h"
#include "platform/Desktop.h"
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

DropFailure dropFailure(int error)
{
    switch (error) {
    case rt::FileNotFound:
        return {QStringLiteral("找不到來源檔案。"), QStringLiteral("加入失敗")};
    case rt::PermissionDenied:
        return {QStringLiteral("沒有檔案的使用權限。"), QStringLiteral("加入失敗")};
    default:
        return {QStringLiteral("程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！"),
                QStringLiteral("錯誤編號") + QString::number(error)};
    }
}

LogoDropAdder::LogoDropAdder(FileService &files, const LogoTester &tester, Desktop &desktop)
    : m_files(files), m_tester(tester), m_desktop(desktop)
{
}

LogoDropAdder::Result LogoDropAdder::add(const std::vector<DroppedFile> &files,
                                         const QString &folder) const
{
    Result result;
    for (const DroppedFile &file : files) {
        if (!file) {
            result.error = fail(rt::FileNotFound);
            return result;
        }
        const QString &path = *file;
        const QString name = ExtractFileName(path);
        const QString destination = folder + name;

        int error = 0;
        const bool take = taken(path, destination, error);
        if (error) {
            result.error = fail(error);
            return result;
        }
        if (!take)
            continue;

        if (m_files.fileExists(destination)) {
            const int answer = m_desktop.messageBox(
                QStringLiteral("'") + name + QStringLiteral("' 檔案已經存在，是否要覆蓋此檔？"),
                mb::QuestionYesNo, QStringLiteral("確認取代檔案"));
            if (answer != mb::AnswerYes)
                continue;
        }
        if (const int err = m_files.copyFile(path, destination, true)) {
            result.error = fail(err);
            return result;
        }
        ++result.copied;
    }
    return result;
}

bool LogoDropAdder::taken(const QString &path, const QString &destination, int &error) const
{
    // All three tests are made for every file, in this order.
    const bool picture = m_tester.IsLogoFile(path);
    qint64 length = 0;
    error = m_files.fileLen(path, length);
    if (error)
        return false;
    const bool sized = HasLogoFileSize(length);
    const bool elsewhere = path.toUpper() != destination.toUpper();
    return picture && sized && elsewhere;
}

int LogoDropAdder::fail(int error) const
{
    const DropFailure failure = dropFailure(error);
    m_desktop.messageBox(failure.prompt, mb::Critical, failure.title);
    return error;
}

} // namespace bg
