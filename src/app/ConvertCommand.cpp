#include "app/ConvertCommand.h"

#include "platform/TempNames.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bg {

namespace {

QString errorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("沒有權限");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("資料夾不存在");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁碟空間不足");
    case EROFS:
        return QStringLiteral("唯讀的檔案系統");
    case EFBIG:
        return QStringLiteral("檔案超過大小限制");
    default:
        return QStringLiteral("系統錯誤 %1").arg(error);
    }
}

ConvertOutcome failed(const QString &text) { return {1, text + QLatin1Char('\n')}; }

// Writes the bytes as the file at `path`: all of them or nothing. 0 or errno; EEXIST when the
// file exists and may not be replaced.
int writeInPlace(const QString &path, const QByteArray &bytes, bool replace)
{
    const QFileInfo target(path);
    // A temporary file of the one form every writer of the tool uses, beside the target.
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char name[tempnames::NameLength + 1];
        tempnames::make(QRandomGenerator::system()->generate64(), name);
        temp = QFile::encodeName(target.absolutePath()) + '/' + name;
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    int error = 0;
    for (qsizetype done = 0; !error && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            done += n;
    }
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    const QByteArray final = QFile::encodeName(target.absoluteFilePath());
    if (!error) {
        // A link fails on an existing name where a rename would replace it; a file system
        // without links (FAT) gets a check and a rename.
        if (replace) {
            if (::rename(temp.constData(), final.constData()) != 0)
                error = errno;
        } else if (::link(temp.constData(), final.constData()) != 0) {
            error = errno;
            struct stat st;
            if ((error == EPERM || error == EOPNOTSUPP) && ::lstat(final.constData(), &st) != 0) {
                if (::rename(temp.constData(), final.constData()) == 0)
                    return 0;
                error = errno;
            }
        }
    }
    if (error || !replace)
        ::unlink(temp.constData());
    return error;
}

} // namespace

ConvertOutcome runConvert(const ConvertRequest &request)
{
    const QFileInfo picture(request.picture);
    const QString output = request.output.isEmpty()
                               ? picture.absolutePath() + QLatin1Char('/') +
                                     picture.completeBaseName() + QStringLiteral(".bmp")
                               : request.output;
    struct stat pictureStat{}, outputStat{};
    if (::stat(QFile::encodeName(picture.absoluteFilePath()).constData(), &pictureStat) != 0)
        return failed(QStringLiteral("bootgallery：找不到圖片「%1」。").arg(request.picture));
    if (::stat(QFile::encodeName(output).constData(), &outputStat) == 0) {
        if (outputStat.st_dev == pictureStat.st_dev && outputStat.st_ino == pictureStat.st_ino)
            return failed(QStringLiteral("bootgallery：「%1」就是要轉換的圖片，不能覆寫。").arg(output));
        if (!request.force)
            return failed(QStringLiteral("bootgallery：「%1」已經存在；要覆寫請加上 --force。")
                              .arg(output));
    }

    // Large photographs are welcome: the picture is the only thing this process holds.
    QImageReader::setAllocationLimit(1024);
    const QImage image = readPicture(picture.absoluteFilePath());
    if (image.isNull())
        return failed(QStringLiteral("bootgallery：無法讀取圖片「%1」：格式不支援或檔案已損毀。")
                          .arg(request.picture));
    const QByteArray logo = convertToLogo(image, request.options);
    if (const int error = writeInPlace(output, logo, request.force))
        return failed(error == EEXIST
                          ? QStringLiteral("bootgallery：「%1」已經存在；要覆寫請加上 --force。").arg(output)
                          : QStringLiteral("bootgallery：無法寫入「%1」（%2）。").arg(output, errorText(error)));
    return {0, QStringLiteral("已將「%1」轉換為開機畫面「%2」。\n").arg(request.picture, output)};
}

} // namespace bg
