#include "platform/FatVolume.h"

#include "platform/ScratchFolders.h"

#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "platform/TempFile.h"
#include "platform/TempNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <limits>


namespace bg::fat {

namespace {

// The attribute letters of "mattrib -X" (D for a folder).
int attributesFromLetters(QStringView letters)
{
    int attributes = 0;
    for (const QChar c : letters) {
        switch (c.unicode()) {
        case 'R': attributes |= attr::ReadOnly; break;
        case 'H': attributes |= attr::Hidden; break;
        case 'S': attributes |= attr::System; break;
        case 'D': attributes |= attr::Directory; break;
        case 'A': attributes |= attr::Archive; break;
        default: break;
        }
    }
    return attributes;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool sameEntry(const VolumePath &a, const VolumePath &b)
{
    if (a.components.size() != b.components.size())
        return false;
    for (qsizetype i = 0; i < a.components.size(); ++i) {
        if (!sameName(a.components[i], b.components[i]))
            return false;
    }
    return true;
}

// One line of "mdir -a": the 8.3 name in two columns (8 and 3 characters), then the size or
// <DIR>, the date, the time and, when the entry has one, two blanks and the long name.
struct DirLine
{
    QString shortName;
    QString displayName;
    bool hasLongName = false;
    qint64 size = 0;
};

bool parseDirLine(const QString &line, DirLine &out)
{
    static const QRegularExpression rest(QStringLiteral(
        "^ *(<DIR>|\\d+) +\\d{4}-\\d\\d-\\d\\d +\\d{1,2}:\\d\\d ?(?: (.+))?$"));
    if (line.size() < 13 || line[8] != QLatin1Char(' '))
        return false;
    const QRegularExpressionMatch m = rest.match(QStringView(line).mid(12));
    if (!m.hasMatch())
        return false;
    const QString base = line.left(8).trimmed();
    const QString ext = line.mid(9, 3).trimmed();
    const QString shortName = ext.isEmpty() ? base : base + QLatin1Char('.') + ext;
    out.shortName = shortName.toUpper();
    out.hasLongName = m.hasCaptured(2);
    out.displayName = out.hasLongName ? m.captured(2) : shortName;
    out.size = m.captured(1).startsWith(QLatin1Char('<')) ? 0 : m.captured(1).toLongLong();
    return true;
}

// A folder for the copies on their way in or out: in memory (tmpfs) where the system has one
// for us with room for a large batch (a container's /dev/shm may hold just 64 MiB), which
// more than halves the time of a batch read.

// A copy cut short because the host's scratch folder filled up is no file's content.
bool scratchFull(const MtoolsResult &result)
{
    return result.err.contains(QLatin1String("No space left"));
}

} // namespace

bool VolumeEntry::isFolder() const
{
    return attributes & attr::Directory;
}

FatVolume::FatVolume(const QString &imagePath, qint64 offset, int timeoutMs)
    : m_mtools(imagePath, offset), m_timeout(timeoutMs)
{
}

int FatVolume::stat(const VolumePath &path, int &attributes) const
{
    if (!path.valid)
        return rt::BadFileName;
    if (path.isRoot()) {
        attributes = attr::Directory;
        return rt::Ok;
    }
    const MtoolsResult result = m_mtools.run("mattrib", {QStringLiteral("-X"), path.existing()},
                                             m_timeout);
    if (!result.ok())
        return failure(result, path);
    // Just the letters; with "[" escaped the path follows them.
    const QString line = QString::fromUtf8(result.out).section(QLatin1Char('\n'), 0, 0);
    attributes = attributesFromLetters(QStringView(line).left(line.indexOf(QLatin1Char(' '))));
    return rt::Ok;
}

// The error of a failed call on a path: "not found" is 53 when the folder above is there, 76
// when it is not.
int FatVolume::failure(const MtoolsResult &result, const VolumePath &path) const
{
    if (!result.notFound())
        return result.error();
    int above = 0;
    if (path.isRoot() || stat(path.parent(), above) != rt::Ok || !(above & attr::Directory))
        return rt::PathNotFound;
    return rt::FileNotFound;
}

int FatVolume::list(const QString &folder, QList<VolumeEntry> &entries) const
{
    entries.clear();
    const VolumePath path = VolumePath::parse(folder);
    if (!path.valid)
        return rt::BadFileName;
    MtoolsResult result = m_mtools.run("mattrib", {QStringLiteral("-X"), path.allEntries()},
                                       m_timeout);
    if (!result.ok()) {
        if (!result.notFound())
            return result.error();
        // No match: an empty root folder, or no such folder.
        int attributes = 0;
        const int error = stat(path, attributes);
        if (error == rt::Ok && (attributes & attr::Directory))
            return rt::Ok;
        return error == rt::Ok || error == rt::FileNotFound ? rt::PathNotFound : error;
    }
    for (const QString &line : QString::fromUtf8(result.out).split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(QLatin1String("::/"));
        if (at < 0)
            continue;
        VolumeEntry entry;
        entry.name = line.mid(line.lastIndexOf(QLatin1Char('/')) + 1);
        if (entry.name == QLatin1String(".") || entry.name == QLatin1String(".."))
            continue;
        entry.attributes = attributesFromLetters(QStringView(line).left(at));
        entries.append(entry);
    }

    result = m_mtools.run("mdir", {QStringLiteral("-a"), QStringLiteral("-f"), path.allEntries()},
                          m_timeout);
    if (!result.ok())
        return failure(result, path);
    QHash<QString, DirLine> lines;
    for (const QString &line : QString::fromUtf8(result.out).split(QLatin1Char('\n'))) {
        DirLine parsed;
        if (parseDirLine(line, parsed))
            lines.insert(parsed.displayName, parsed);
    }
    // An entry that changed between the two calls is left out.
    QList<VolumeEntry> joined;
    for (VolumeEntry &entry : entries) {
        const auto it = lines.constFind(entry.name);
        if (it == lines.constEnd())
            continue;
        entry.shortName = it->shortName;
        entry.hasLongName = it->hasLongName;
        entry.size = it->size;
        joined.append(entry);
    }
    entries = joined;
    return rt::Ok;
}

// Copies the entries named by the arguments (an mtools pattern each) into a new host folder,
// each cut at maxBytes + 1 bytes: enough to say it is longer than asked.
MtoolsResult FatVolume::copyOut(QStringList arguments, qint64 maxBytes, QTemporaryDir &host) const
{
    arguments.append(host.path() + QLatin1Char('/'));
    const qint64 limit = maxBytes >= 0 && maxBytes < std::numeric_limits<qint64>::max()
                             ? maxBytes + 1 : -1;
    return m_mtools.run("mcopy", arguments, m_timeout, limit);
}

FileRead FatVolume::readCopy(const QString &hostPath, qint64 maxBytes)
{
    FileRead read;
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return FileRead{rt::PathFileAccess, {}, false};
    const qint64 size = file.size();
    read.truncated = maxBytes >= 0 && size > maxBytes;
    const qint64 wanted = read.truncated ? maxBytes : size;
    read.data = file.read(wanted);
    if (read.data.size() != wanted)
        return FileRead{rt::PathFileAccess, {}, false};
    return read;
}

QList<FileRead> FatVolume::readFiles(const QString &folder, const QStringList &names,
                                     qint64 maxBytes) const
{
    // mtools looks each name up in a pass over the folder of its own: 1,000 names of a folder
    // of 1,000 took 0.95 s, the pattern "*" 0.2 s. Many names are read with the whole folder;
    // a name that matched no copy (an 8.3 alias, a leftover temporary file) is then asked for.
    constexpr qsizetype ManyNames = 32;
    if (names.size() <= ManyNames)
        return readNamed(folder, names, maxBytes);
    QHash<QString, qsizetype> wanted;
    for (qsizetype i = 0; i < names.size(); ++i)
        wanted.insert(names[i].toCaseFolded(), i);
    QList<FileRead> reads(names.size());
    QList<bool> found(names.size(), false);
    const int error = readFolder(folder, maxBytes, [&](const QString &name, const FileRead &read) {
        const auto it = wanted.constFind(name.toCaseFolded());
        if (it != wanted.constEnd()) {
            reads[*it] = read;
            found[*it] = true;
        }
    });
    if (error != rt::Ok)
        return readNamed(folder, names, maxBytes);
    QStringList rest;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!found[i])
            rest.append(names[i]);
    }
    const QList<FileRead> more = rest.isEmpty() ? QList<FileRead>()
                                                : readNamed(folder, rest, maxBytes);
    for (qsizetype i = 0, j = 0; i < names.size(); ++i) {
        if (!found[i])
            reads[i] = more[j++];
    }
    return reads;
}

QList<FileRead> FatVolume::readNamed(const QString &folder, const QStringList &names,
                                     qint64 maxBytes) const
{
    QList<FileRead> reads(names.size());
    const VolumePath path = VolumePath::parse(folder);
    QStringList arguments;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const VolumePath file = path.child(names[i]);
        if (file.valid)
            arguments.append(file.existing());
        else
            reads[i].error = rt::BadFileName;
    }
    if (arguments.isEmpty())
        return reads;
    QTemporaryDir host(scratch::folderTemplate(scratch::fastFolder(), QStringLiteral("read")));
    const MtoolsResult result = host.isValid() ? copyOut(arguments, maxBytes, host)
                                               : MtoolsResult();
    if (scratchFull(result)) {
        for (FileRead &read : reads)
            read = FileRead{read.error ? read.error : rt::DiskFull, {}, false};
        return reads;
    }
    // mcopy names a copy as its argument spells it, or as the entry is named when the argument
    // is a pattern (a name with "["): match ignoring case.
    const QStringList copies = QDir(host.path()).entryList(QDir::Files | QDir::Hidden
                                                           | QDir::System);
    int missing = -1; // the error of a name that was not copied, found once
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (reads[i].error)
            continue;
        QString copy = copies.contains(names[i]) ? names[i] : QString();
        for (qsizetype j = 0; copy.isEmpty() && j < copies.size(); ++j) {
            if (sameName(copies[j], names[i]))
                copy = copies[j];
        }
        if (!copy.isEmpty()) {
            reads[i] = readCopy(host.filePath(copy), maxBytes);
            continue;
        }
        if (missing < 0) {
            int attributes = 0;
            missing = result.finished ? stat(path, attributes) : rt::PathFileAccess;
            if (missing == rt::Ok)
                missing = attributes & attr::Directory ? rt::FileNotFound : rt::PathNotFound;
            else if (missing == rt::FileNotFound)
                missing = rt::PathNotFound;
        }
        reads[i].error = missing;
    }
    return reads;
}

int FatVolume::readFolder(const QString &folder, qint64 maxBytes,
                          const std::function<void(const QString &, const FileRead &)> &visit) const
{
    const VolumePath path = VolumePath::parse(folder);
    if (!path.valid)
        return rt::BadFileName;
    QTemporaryDir host(scratch::folderTemplate(scratch::fastFolder(), QStringLiteral("read")));
    if (!host.isValid())
        return rt::PathFileAccess;
    const MtoolsResult result = copyOut({path.allEntries()}, maxBytes, host);
    if (!result.finished)
        return rt::PathFileAccess;
    if (result.notFound()) { // no entry matched: an empty root folder, or no such folder
        int attributes = 0;
        const int error = stat(path, attributes);
        if (error != rt::Ok || !(attributes & attr::Directory))
            return error == rt::Ok || error == rt::FileNotFound ? rt::PathNotFound : error;
    }
    const QStringList copies = QDir(host.path()).entryList(QDir::Files | QDir::Hidden
                                                           | QDir::System);
    if (scratchFull(result))
        return rt::DiskFull;
    if (copies.isEmpty() && !result.ok() && !result.notFound())
        return result.error();
    for (const QString &copy : copies) {
        // A leftover temporary file of a write that was cut off is no file of the folder.
        if (!hostfs::isTempName(QFile::encodeName(copy).constData()))
            visit(copy, readCopy(host.filePath(copy), maxBytes));
    }
    return rt::Ok;
}

FileRead FatVolume::readFile(const QString &path, qint64 maxBytes) const
{
    const VolumePath file = VolumePath::parse(path);
    if (file.isRoot() || !file.valid)
        return FileRead{rt::BadFileName, {}, false};
    return readFiles(QLatin1Char('\\') + file.parent().components.join(QLatin1Char('\\')),
                     {file.name()}, maxBytes)
        .first();
}

VolumePath FatVolume::tempIn(const VolumePath &folder) const
{
    char name[tempnames::NameLength + 1];
    tempnames::make(QRandomGenerator::system()->generate64(), name);
    return folder.child(QString::fromLatin1(name));
}

// The target of a write or copy may be written: absent in an existing folder, or (with
// replace) a file that is not read-only.
int FatVolume::prepareTarget(const VolumePath &target, bool replace) const
{
    if (target.isRoot())
        return rt::BadFileName;
    int attributes = 0;
    const int error = stat(target, attributes);
    if (error == rt::FileNotFound)
        return rt::Ok;
    if (error != rt::Ok)
        return error;
    if (attributes & attr::Directory)
        return rt::PathFileAccess;
    if (!replace)
        return rt::FileAlreadyExists;
    return attributes & attr::ReadOnly ? rt::PermissionDenied : rt::Ok;
}

// Copies the source (a host file or an entry of the volume) to a new temporary file beside the
// target, then gives it the target's name in one call that also removes the old entry. Until
// that call the target is untouched; a failure removes the temporary file again.
int FatVolume::placeFromTemp(const QString &source, const VolumePath &target, bool replace) const
{
    const VolumePath temp = tempIn(target.parent());
    MtoolsResult result = m_mtools.run("mcopy", {QStringLiteral("-D"), QStringLiteral("s"),
                                                 source, temp.created()}, m_timeout);
    if (result.ok()) {
        result = m_mtools.run("mren", {QStringLiteral("-D"),
                                       replace ? QStringLiteral("o") : QStringLiteral("s"),
                                       temp.existing(), target.created()}, m_timeout);
        if (result.ok())
            return rt::Ok;
    }
    m_mtools.run("mdel", {temp.existing()}, m_timeout);
    const int error = result.notFound() ? failure(result, target.parent()) : result.error();
    // A name that appeared meanwhile makes mren skip the file without a word.
    return error == rt::PathFileAccess && !replace && result.finished
               ? rt::FileAlreadyExists : error;
}

int FatVolume::writeFile(const QString &path, const QByteArray &bytes, bool replace) const
{
    const VolumePath target = VolumePath::parse(path);
    if (const int error = prepareTarget(target, replace))
        return error;
    QTemporaryDir host(scratch::folderTemplate(scratch::fastFolder(), QStringLiteral("write")));
    QFile file(host.filePath(QStringLiteral("data")));
    if (!host.isValid() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()
        || !file.flush())
        return rt::PathFileAccess;
    file.close();
    return placeFromTemp(file.fileName(), target, replace);
}

int FatVolume::copyFile(const QString &from, const QString &to, bool replace) const
{
    const VolumePath source = VolumePath::parse(from);
    const VolumePath target = VolumePath::parse(to);
    int attributes = 0;
    if (const int error = stat(source, attributes))
        return error;
    if (attributes & attr::Directory)
        return rt::FileNotFound;
    if (sameEntry(source, target))
        return rt::PermissionDenied; // a file cannot be copied onto itself
    if (const int error = prepareTarget(target, replace))
        return error;
    return placeFromTemp(source.existing(), target, replace);
}

int FatVolume::move(const QString &from, const QString &to) const
{
    const VolumePath source = VolumePath::parse(from);
    const VolumePath target = VolumePath::parse(to);
    if (!source.valid || !target.valid)
        return rt::BadFileName;
    if (source.isRoot() || target.isRoot())
        return rt::PathFileAccess;
    int attributes = 0;
    if (const int error = stat(source, attributes))
        return error;
    if (sameEntry(source, target)) {
        if (source.name() == target.name())
            return rt::Ok;
        // Only the letter case changes: the new name clashes with the entry itself, so the
        // entry passes through a temporary name (and back again should the second step fail).
        const VolumePath temp = tempIn(source.parent());
        MtoolsResult result = m_mtools.run("mren", {QStringLiteral("-D"), QStringLiteral("s"),
                                                    source.existing(), temp.created()}, m_timeout);
        if (!result.ok())
            return failure(result, source);
        result = m_mtools.run("mren", {QStringLiteral("-D"), QStringLiteral("s"),
                                       temp.existing(), target.created()}, m_timeout);
        if (result.ok())
            return rt::Ok;
        m_mtools.run("mren", {QStringLiteral("-D"), QStringLiteral("s"), temp.existing(),
                              source.created()}, m_timeout);
        return result.error();
    }
    const int error = stat(target, attributes);
    if (error == rt::Ok)
        return rt::FileAlreadyExists;
    if (error != rt::FileNotFound)
        return error;
    const MtoolsResult result = m_mtools.run("mmove", {QStringLiteral("-D"), QStringLiteral("s"),
                                                       source.existing(), target.created()},
                                             m_timeout);
    return result.ok() ? rt::Ok : failure(result, source);
}

int FatVolume::removeFile(const QString &path, bool force) const
{
    const VolumePath file = VolumePath::parse(path);
    int attributes = 0;
    if (const int error = stat(file, attributes))
        return error;
    if (attributes & attr::Directory)
        return rt::FileNotFound;
    if ((attributes & attr::ReadOnly) && !force)
        return rt::PermissionDenied;
    const MtoolsResult result = m_mtools.run("mdel", {file.existing()}, m_timeout);
    return result.ok() ? rt::Ok : failure(result, file);
}

int FatVolume::createFolder(const QString &path) const
{
    const VolumePath folder = VolumePath::parse(path);
    if (folder.isRoot())
        return rt::FileAlreadyExists;
    int attributes = 0;
    const int error = stat(folder, attributes);
    if (error == rt::Ok)
        return rt::FileAlreadyExists;
    if (error != rt::FileNotFound)
        return error;
    const MtoolsResult result = m_mtools.run("mmd", {QStringLiteral("-D"), QStringLiteral("s"),
                                                     folder.created()}, m_timeout);
    return result.ok() ? rt::Ok : failure(result, folder);
}

int FatVolume::removeFolder(const QString &path) const
{
    const VolumePath folder = VolumePath::parse(path);
    if (folder.isRoot())
        return rt::PermissionDenied;
    int attributes = 0;
    if (const int error = stat(folder, attributes))
        return error == rt::FileNotFound ? rt::PathNotFound : error;
    if (!(attributes & attr::Directory))
        return rt::PathNotFound;
    if (attributes & attr::ReadOnly)
        return rt::PermissionDenied;
    const MtoolsResult result = m_mtools.run("mrd", {folder.existing()}, m_timeout);
    return result.ok() ? rt::Ok : failure(result, folder);
}

int FatVolume::attributes(const QString &path, int &attributes) const
{
    attributes = 0;
    return stat(VolumePath::parse(path), attributes);
}

int FatVolume::setAttributes(const QString &path, int attributes) const
{
    const VolumePath entry = VolumePath::parse(path);
    int current = 0;
    if (const int error = stat(entry, current))
        return error;
    if (entry.isRoot())
        return rt::PermissionDenied;
    const auto flag = [attributes](int bit, char letter) {
        return QString(QLatin1Char(attributes & bit ? '+' : '-')) + QLatin1Char(letter);
    };
    const MtoolsResult result = m_mtools.run(
        "mattrib", {flag(attr::ReadOnly, 'r'), flag(attr::Hidden, 'h'), flag(attr::System, 's'),
                    flag(attr::Archive, 'a'), entry.existing()}, m_timeout);
    return result.ok() ? rt::Ok : failure(result, entry);
}

} // namespace bg::fat
