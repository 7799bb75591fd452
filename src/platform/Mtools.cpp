#include "platform/Mtools.h"

#include "platform/HelperProgram.h"
#include "platform/RuntimeError.h"
#include "platform/ScratchFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTemporaryFile>


namespace bg::fat {

namespace {

// mtools reads /etc/mtools.conf, then ~/.mtoolsrc, then $MTOOLSRC, and takes MTOOLS_* settings
// from the environment: its calls get a home of our own holding this file as both, and an
// environment without any MTOOLS_ variable. Long names are always written (no_vfat off), short
// names are shown as stored (lower_case off), and the listing's dates have one fixed form.
// Short names stay in code page 850, mtools' default: its code page 950 cuts double-byte names.
constexpr char Configuration[] = "mtools_skip_check=1\n"
                                 "mtools_no_vfat=0\n"
                                 "mtools_lower_case=0\n"
                                 "mtools_name_numeric_tail=1\n"
                                 "mtools_twenty_four_hour_clock=1\n"
                                 "mtools_date_string=\"yyyy-mm-dd\"\n"
                                 "mtools_lock_timeout=10\n";

struct ConfigHome
{
    QTemporaryDir dir{scratch::folderTemplate(QDir::tempPath(), QStringLiteral("mtools"))};
    QString rcFile;
    ConfigHome()
    {
        rcFile = dir.filePath(QStringLiteral(".mtoolsrc"));
        QFile file(rcFile);
        if (file.open(QIODevice::WriteOnly))
            file.write(Configuration);
    }
};

const ConfigHome &configHome()
{
    static const ConfigHome home;
    return home;
}

QProcessEnvironment mtoolsEnvironment()
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"),
               system.value(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin")));
    if (system.contains(QStringLiteral("TZ"))) // FAT keeps local times
        env.insert(QStringLiteral("TZ"), system.value(QStringLiteral("TZ")));
    env.insert(QStringLiteral("HOME"), configHome().dir.path());
    env.insert(QStringLiteral("MTOOLSRC"), configHome().rcFile);
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

QString escaped(const QString &component)
{
    QString out = component;
    return out.replace(QLatin1Char('['), QLatin1String("[[]"));
}

} // namespace

bool MtoolsResult::notFound() const
{
    return finished && exitCode != 0 && err.contains(QLatin1String("not found"));
}

int MtoolsResult::error() const
{
    if (ok())
        return rt::Ok;
    if (!finished)
        return rt::PathFileAccess;
    if (err.contains(QLatin1String("Disk full"), Qt::CaseInsensitive)
        || err.contains(QLatin1String("No space left")))
        return rt::DiskFull;
    if (err.contains(QLatin1String("non empty")))
        return rt::FileAlreadyExists;
    if (err.contains(QLatin1String("Permission denied"))
        || err.contains(QLatin1String("Read-only file system")))
        return rt::PermissionDenied;
    if (err.contains(QLatin1String("Can't open")) && err.contains(QLatin1String("No such file")))
        return rt::PathNotFound;
    return rt::PathFileAccess;
}

Mtools::Mtools(const QString &imagePath, qint64 offset)
{
    const QString path = QFileInfo(imagePath).absoluteFilePath();
    m_usable = !path.contains(QLatin1String("@@")) && offset >= 0;
    m_target = path + QLatin1String("@@") + QString::number(offset);
}

MtoolsResult Mtools::run(const char *command, const QStringList &arguments, int timeoutMs,
                         qint64 fileSizeLimit) const
{
    MtoolsResult result;
    if (!m_usable)
        return result;
    QTemporaryFile diagnostics(configHome().dir.filePath(QStringLiteral("err-XXXXXX")));
    if (!diagnostics.open())
        return result;
    HelperOptions options;
    options.environment = mtoolsEnvironment();
    options.workingDirectory = configHome().dir.path();
    options.errorFile = diagnostics.fileName();
    // No terminal: mtools opens /dev/tty for its questions, which must never be asked.
    options.ownSession = true;
    options.fileSizeLimit = fileSizeLimit;
    const HelperResult run =
        runHelper(QString::fromLatin1(command), QStringList{QStringLiteral("-i"), m_target} + arguments,
                  timeoutMs, options);
    result.finished = run.ended();
    result.exitCode = run.exitCode;
    result.out = run.out;
    result.err = QString::fromUtf8(diagnostics.readAll());
    return result;
}

bool isBadName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return true;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringView(u"\\/:*?\"<>|").contains(c))
            return true;
    }
    return false;
}

VolumePath VolumePath::parse(const QString &windowsPath)
{
    VolumePath path;
    for (const QString &part : windowsPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (isBadName(part))
            path.valid = false;
        path.components.append(part);
    }
    return path;
}

VolumePath VolumePath::parent() const
{
    VolumePath path = *this;
    if (!path.components.isEmpty())
        path.components.removeLast();
    return path;
}

VolumePath VolumePath::child(const QString &name) const
{
    VolumePath path = *this;
    path.components.append(name);
    path.valid = valid && !isBadName(name);
    return path;
}

QString VolumePath::existing() const
{
    QString out = QStringLiteral("::");
    for (const QString &part : components)
        out += QLatin1Char('/') + escaped(part);
    return components.isEmpty() ? out + QLatin1Char('/') : out;
}

QString VolumePath::created() const
{
    if (components.isEmpty())
        return existing();
    return parent().allEntries().chopped(1) + components.last();
}

QString VolumePath::allEntries() const
{
    const QString folder = existing();
    return folder.endsWith(QLatin1Char('/')) ? folder + QLatin1Char('*')
                                             : folder + QLatin1String("/*");
}

} // namespace bg::fat
