#include "support/ImagePrefix.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtDebug>

#include <fcntl.h>
#include <unistd.h>

namespace bg::test {

namespace {

// qemu-img's driver and creation options for each format.
std::pair<QString, QString> qemuFormat(ImagePrefix::Format format)
{
    switch (format) {
    case ImagePrefix::Raw: return {QStringLiteral("raw"), QString()};
    case ImagePrefix::VhdFixed: return {QStringLiteral("vpc"), QStringLiteral("subformat=fixed")};
    case ImagePrefix::VhdDynamic: return {QStringLiteral("vpc"), QStringLiteral("subformat=dynamic")};
    case ImagePrefix::Vdi: return {QStringLiteral("vdi"), QString()};
    case ImagePrefix::Qcow2: return {QStringLiteral("qcow2"), QString()};
    case ImagePrefix::Vmdk: return {QStringLiteral("vmdk"), QString()};
    }
    return {};
}

} // namespace

bool ImagePrefix::fuseUsable()
{
    const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

QString ImagePrefix::formatName(Format format)
{
    const QStringList names{QStringLiteral("raw"), QStringLiteral("vhd-fixed"),
                            QStringLiteral("vhd-dynamic"), QStringLiteral("vdi"),
                            QStringLiteral("qcow2"), QStringLiteral("vmdk")};
    return names.value(int(format));
}

QString ImagePrefix::shell(const QString &command, int *exitCode) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), env.value(QStringLiteral("PATH")) + QStringLiteral(":/usr/sbin:/sbin"));
    env.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("1"));
    env.insert(QStringLiteral("MTOOLS_LOWER_CASE"), QStringLiteral("0"));
    env.insert(QStringLiteral("RAW"), m_dir.filePath(QStringLiteral("disk.raw")));
    env.insert(QStringLiteral("VOL"), m_dir.filePath(QStringLiteral("disk.raw@@%1")).arg(PartitionOffset));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_dir.path());
    // The raw copy is made afresh from the image for every look.
    const auto [driver, options] = qemuFormat(m_format);
    const QString copy = m_format == Raw || !m_valid
        ? QStringLiteral("cp --sparse=always \"$IMG\" \"$RAW\"")
        : QStringLiteral("qemu-img convert -U -f %1 -O raw \"$IMG\" \"$RAW\"").arg(driver);
    env.insert(QStringLiteral("IMG"), m_image);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("bash"),
            {QStringLiteral("-c"), (m_valid ? copy + QStringLiteral(" && ") : QString()) + command});
    p.waitForFinished(120000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    const QByteArray err = p.readAllStandardError();
    if (!err.isEmpty() && exitCode && *exitCode != 0)
        qWarning().noquote() << QString::fromUtf8(err);
    return QString::fromUtf8(p.readAllStandardOutput());
}

ImagePrefix::ImagePrefix(Format format, const QList<std::pair<QString, QByteArray>> &files)
    : m_format(format)
{
    if (!m_dir.isValid())
        return;
    // The Windows folders and the files, built on the host and copied in by mtools.
    QDir tree(m_dir.filePath(QStringLiteral("tree")));
    if (!QDir().mkpath(tree.filePath(QStringLiteral("WINDOWS/Start Menu/Programs/StartUp"))))
        return;
    for (const auto &[path, bytes] : files) {
        const QString host = tree.filePath(QString(path).replace(u'\\', u'/'));
        QDir().mkpath(QFileInfo(host).path());
        QFile file(host);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return;
    }
    int code = -1;
    shell(QStringLiteral("set -e; truncate -s 40M disk.raw; echo 'start=2048, type=6' | sfdisk -q disk.raw;"
                         "mkfs.fat -F16 --offset 2048 disk.raw 39936 >/dev/null;"
                         "cd tree; mcopy -s -i \"$VOL\" * ::/"),
          &code);
    if (code != 0)
        return;
    const auto [driver, options] = qemuFormat(format);
    m_image = m_dir.filePath(QStringLiteral("win98.") + formatName(format));
    QStringList args{QStringLiteral("convert"), QStringLiteral("-q"), QStringLiteral("-f"),
                     QStringLiteral("raw"), QStringLiteral("-O"), driver};
    if (!options.isEmpty())
        args << QStringLiteral("-o") << options;
    args << m_dir.filePath(QStringLiteral("disk.raw")) << m_image;
    if (QProcess::execute(QStringLiteral("qemu-img"), args) != 0)
        return;

    const QString root = m_dir.filePath(QStringLiteral("prefix"));
    if (!QDir().mkpath(root + QStringLiteral("/dosdevices"))
        || ::symlink(QFile::encodeName(m_image).constData(),
                     QFile::encodeName(root + QStringLiteral("/dosdevices/c:")).constData()) != 0
        || ::symlink("/", QFile::encodeName(root + QStringLiteral("/dosdevices/z:")).constData()) != 0)
        return;
    m_prefix = std::make_unique<Prefix>(root);
    m_files = std::make_unique<PrefixFileService>(*m_prefix);
    m_valid = true;
}

QStringList ImagePrefix::shortNames(const QString &folder) const
{
    QString f = folder;
    f.replace(u'\\', u'/');
    const QString out = shell(QStringLiteral("mdir -a -i \"$VOL\" '::%1'").arg(f));
    // "LOGO     SYS   129078 2026-12-07  10:00  Long name"
    static const QRegularExpression line(QStringLiteral(
        "^(\\S+)\\s+(\\S*)\\s+(<DIR>|\\d[\\d ]*?)\\s+\\d{4}-\\d\\d-\\d\\d\\s+\\d+:\\d\\d\\s*(.*)$"));
    QStringList names;
    for (const QString &l : out.split(u'\n')) {
        const auto m = line.match(l.trimmed());
        if (!m.hasMatch() || m.captured(1) == u"." || m.captured(1) == u"..")
            continue;
        QString name = m.captured(1);
        if (!m.captured(2).isEmpty())
            name += u'.' + m.captured(2);
        if (!m.captured(4).trimmed().isEmpty())
            name += u'*';
        names.append(name.toUpper());
    }
    return names;
}

QString ImagePrefix::attributeLetters(const QString &path) const
{
    QString p = path;
    p.replace(u'\\', u'/');
    int code = -1;
    const QString out = shell(QStringLiteral("mattrib -i \"$VOL\" '::%1'").arg(p), &code);
    if (code != 0)
        return QString();
    // "  A  H    ::/LOGO.SYS"
    const qsizetype colon = out.indexOf(QStringLiteral("::"));
    return colon < 0 ? QString() : out.left(colon).remove(u' ');
}

QByteArray ImagePrefix::read(const QString &path) const
{
    QString p = path;
    p.replace(u'\\', u'/');
    int code = -1;
    QFile::remove(m_dir.filePath(QStringLiteral("read.out")));
    shell(QStringLiteral("mcopy -n -i \"$VOL\" '::%1' read.out").arg(p), &code);
    QFile file(m_dir.filePath(QStringLiteral("read.out")));
    return code == 0 && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ImagePrefix::fsckClean() const
{
    int code = -1;
    const QString out = shell(QStringLiteral("dd if=\"$RAW\" of=vol bs=512 skip=2048 status=none "
                                             "&& fsck.fat -n vol 2>&1"),
                              &code);
    if (code != 0)
        qWarning().noquote() << out;
    return code == 0;
}

} // namespace bg::test
