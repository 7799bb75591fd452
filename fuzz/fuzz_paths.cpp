// Fuzzes the conversion between Windows paths and host paths on a small prefix built once in a
// temporary directory: drive C with folders in several spellings, drive D elsewhere, Z: on /.
// Checks that a path the program spells as on disk names the same place as the path it came
// from, and that a host path turned into a Windows path leads back to the same file.

#include "platform/Prefix.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace bg;

namespace {

[[noreturn]] void fail(const char *what, const QString &a, const QString &b = QString())
{
    std::fprintf(stderr, "path check failed: %s\n  %s\n  %s\n", what, qUtf8Printable(a),
                 qUtf8Printable(b));
    std::abort();
}

QTemporaryDir *sandbox = nullptr;
Prefix *prefix = nullptr;
QString driveC;

void makeFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
}

// The file a host path names, links resolved; empty when it names none. (QFileInfo gives the
// path back unchanged when a link loop stops the resolution.)
QString canonical(const QString &hostPath)
{
    char *resolved = ::realpath(QFile::encodeName(hostPath).constData(), nullptr);
    if (!resolved)
        return QString();
    const QString name = QFile::decodeName(resolved);
    std::free(resolved);
    return name;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    sandbox = new QTemporaryDir();
    if (!sandbox->isValid())
        std::abort();
    const QString root = sandbox->filePath(QStringLiteral("prefix"));
    prefix = new Prefix(root);
    if (!prefix->ensureCreated())
        std::abort();
    driveC = root + QStringLiteral("/drive_c");
    QDir c(driveC);
    for (const char *dir : {"Logos/Showed", "logos2", "WINDOWS/System", "Ärger/ß", "中文/資料夾",
                            "a b/ c ", "deep/er/still/deeper"})
        c.mkpath(QString::fromUtf8(dir));
    for (const char *file : {"LOGO.SYS", "Logos/one.bmp", "Logos/Showed/ONE.BMP", "logos2/x",
                             "中文/圖.bmp", "WINDOWS/LOGOW.SYS"})
        makeFile(driveC + u'/' + QString::fromUtf8(file));
    // A link inside the drive, one leaving it, one dangling and one looping.
    ::symlink("Logos", QFile::encodeName(driveC + QStringLiteral("/link")).constData());
    ::symlink("/", QFile::encodeName(driveC + QStringLiteral("/outside")).constData());
    ::symlink("nothing", QFile::encodeName(driveC + QStringLiteral("/dangling")).constData());
    ::symlink("loop", QFile::encodeName(driveC + QStringLiteral("/loop")).constData());
    const QString driveD = sandbox->filePath(QStringLiteral("d"));
    QDir().mkpath(driveD + QStringLiteral("/Pictures"));
    ::symlink(QFile::encodeName(driveD).constData(),
              QFile::encodeName(root + QStringLiteral("/dosdevices/d:")).constData());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string windowsBytes = in.ConsumeRandomLengthString(200);
    const std::string hostBytes = in.ConsumeRemainingBytesAsString();

    // Windows -> host.
    const QString windowsPath = QString::fromUtf8(windowsBytes.data(), qsizetype(windowsBytes.size()));
    const auto host = prefix->toHost(windowsPath);
    const auto spelled = prefix->spelledAsOnDisk(windowsPath);
    if (host.has_value() != spelled.has_value())
        fail("toHost and spelledAsOnDisk disagree on whether a path is valid", windowsPath);
    if (spelled) {
        if (spelled->size() < 3 || spelled->at(1) != u':' || spelled->at(2) != u'\\')
            fail("a spelled path without drive and root", *spelled);
        const auto again = prefix->toHost(*spelled);
        if (!again || *again != *host)
            fail("the spelled path names another place", *spelled, again.value_or(QString()));
        if (prefix->spelledAsOnDisk(*spelled) != spelled)
            fail("spelling is not stable", *spelled);
    }

    // Host -> Windows, the host path taken relative to drive C (it may climb out of it).
    const QString hostPath = driveC + u'/' + QFile::decodeName(QByteArray(hostBytes.data(),
                                                                          qsizetype(hostBytes.size())));
    if (hostPath.contains(QChar(0)))
        return 0; // no file of the host can have such a name
    const auto windows = prefix->toWindows(hostPath);
    if (windows) {
        if (windows->size() < 3 || windows->at(1) != u':' || windows->at(2) != u'\\')
            fail("a Windows path without drive and root", *windows);
        for (QChar c : windows->mid(3)) {
            if (c != u'\\' && Prefix::isInvalidNameChar(c))
                fail("a Windows path holding a character Windows cannot hold", *windows);
        }
        const auto back = prefix->toHost(*windows);
        if (!back)
            fail("a Windows path made from a host path has no host path", hostPath, *windows);
        const QString there = canonical(hostPath);
        if (!there.isEmpty() && canonical(*back) != there)
            fail("a host path comes back as another file", hostPath, *back);
    }
    return 0;
}
