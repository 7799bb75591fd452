// The crash-safety stress driver. Three commands on a prefix folder:
//
//   bootgallery-stress setup PREFIX   makes the prefix: a logo folder, the three system files,
//                                     a settings file, and a manifest of every logo made
//   bootgallery-stress run PREFIX SEED applies logos to random slots, restores used ones and
//                                     rewrites settings, for ever (until it is killed)
//   bootgallery-stress check PREFIX   checks the invariants; exit status 1 and a report on
//                                     standard error when one is broken
//
// The invariants: every logo of the folder still exists in the folder, its Showed subfolder or
// as a system file; each system file is whole and one of the known logos; the settings file
// reads and every key holds one of the values ever written to it; no file in the logo folders
// is a partial or unknown picture, apart from the file service's own temporary files.

#include "core/LogoSettings.h"
#include "core/LogoSlot.h"
#include "core/LogoTests.h"
#include "ops/LogoRestorer.h"
#include "ops/LogoApplier.h"
#include "platform/FileService.h"
#include "platform/Prefix.h"
#include "platform/PrivateProfile.h"
#include "support/PictureFactory.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTextStream>

#include <cstdio>
#include <vector>

using namespace bg;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");
const QString Used = QStringLiteral("C:\\Logos\\Showed\\");
const QString Windows = QStringLiteral("C:\\WINDOWS\\");
const QString Settings = QStringLiteral("C:\\WINDOWS\\SW.ini");
constexpr int LogoCount = 12;

const QStringList Methods = {QStringLiteral("Little"), QStringLiteral("Big"),
                             QStringLiteral("Random")};
const QStringList Flags = {QStringLiteral("True"), QStringLiteral("False")};

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

QString manifestPath(const QString &root)
{
    return root + QStringLiteral("/stress-manifest");
}

QByteArray logo(int shade)
{
    QByteArray bytes = test::pictures::bmp(QSize(320, 400), 8);
    bytes[1078] = char(shade);
    bytes[1079] = char(shade >> 8);
    return bytes;
}

// Every file of a folder, name -> content (missing folder: nothing).
QList<QPair<QString, QByteArray>> filesIn(FileService &files, const QString &folder)
{
    QList<QPair<QString, QByteArray>> out;
    std::vector<FolderFile> listing;
    if (files.listFiles(folder, listing) != 0)
        return out;
    for (const FolderFile &f : listing) {
        QByteArray data;
        if (files.readFile(f.path, data, 1 << 20) == 0)
            out.append({f.name, data});
    }
    return out;
}

bool isServiceTemp(const QString &name)
{
    return name.startsWith(QLatin1String(".~bg")) && name.endsWith(QLatin1String(".tmp"));
}

int setup(const QString &root)
{
    Prefix prefix(root);
    if (QFileInfo::exists(root) || !prefix.ensureCreated()) {
        std::fprintf(stderr, "cannot make a new prefix at %s\n", qPrintable(root));
        return 2;
    }
    HostFileService files(prefix);
    QStringList manifest;
    files.createFolder(QStringLiteral("C:\\Logos"));
    for (int i = 1; i <= LogoCount; ++i) {
        const QByteArray bytes = logo(i);
        if (files.writeFileAtomic(Folder + QStringLiteral("logo%1.bmp").arg(i, 2, 10, QLatin1Char('0')), bytes) != 0)
            return 2;
        manifest.append(QStringLiteral("logo ") + QString::fromLatin1(digest(bytes)));
    }
    for (int s = 0; s < SlotCount; ++s) {
        const QByteArray bytes = logo(1000 + s);
        if (files.writeFileAtomic(systemFilePath(LogoSlot(s), Windows), bytes) != 0)
            return 2;
        manifest.append(QStringLiteral("system ") + QString::fromLatin1(digest(bytes)));
    }
    const QByteArray ini = "; stress settings\r\n[SplashwheelSet]\r\nStart_Path=C:\\Logos\\\r\n"
                           "Method=Little\r\nPopUp=False\r\n[Other]\r\nx=1\r\n";
    if (files.writeFileAtomic(Settings, ini) != 0)
        return 2;
    QFile out(manifestPath(root));
    if (!out.open(QIODevice::WriteOnly) || out.write(manifest.join(u'\n').toLatin1() + '\n') < 0)
        return 2;
    return 0;
}

[[noreturn]] void run(const QString &root, quint32 seed)
{
    Prefix prefix(root);
    HostFileService files(prefix);
    PrivateProfile profile(files);
    SettingsFile settings(profile, Windows);
    QRandomGenerator random(seed);
    for (;;) {
        const int choice = random.bounded(10);
        if (choice < 6) {
            std::vector<FolderFile> listing;
            files.listFiles(Folder, listing);
            std::vector<FolderFile> logos;
            for (const FolderFile &f : listing) {
                if (HasLogoFileSize(f.size) && !isServiceTemp(f.name))
                    logos.push_back(f);
            }
            if (logos.empty())
                continue;
            const FolderFile &pick = logos[random.bounded(quint32(logos.size()))];
            const auto slot = LogoSlot(random.bounded(SlotCount));
            LogoApplier(files).apply(pick.path, Folder, pick.name, slot, Windows);
        } else if (choice < 8) {
            LogoRestorer(files).restore(Folder);
        } else if (choice == 8) {
            settings.write(QStringLiteral("Method"), Methods[random.bounded(3)]);
        } else {
            settings.write(QStringLiteral("PopUp"), Flags[random.bounded(2)]);
        }
    }
}

int check(const QString &root)
{
    QFile in(manifestPath(root));
    if (!in.open(QIODevice::ReadOnly))
        return 2;
    QSet<QByteArray> folderLogos;
    QSet<QByteArray> systemLogos;
    for (const QByteArray &line : in.readAll().split('\n')) {
        if (line.startsWith("logo "))
            folderLogos.insert(line.mid(5));
        else if (line.startsWith("system "))
            systemLogos.insert(line.mid(7));
    }
    Prefix prefix(root);
    HostFileService files(prefix);
    QStringList broken;
    int temps = 0;

    QSet<QByteArray> present;
    for (const QString &folder : {Folder, Used, Windows}) {
        // The file service does not list its own temporary files: look at the disk.
        if (const auto host = prefix.toHost(folder)) {
            const QStringList names = QDir(*host).entryList(QDir::Files | QDir::Hidden);
            for (const QString &name : names)
                temps += isServiceTemp(name) ? 1 : 0;
        }
        if (folder == Windows)
            continue;
        for (const auto &[name, bytes] : filesIn(files, folder)) {
            const QByteArray d = digest(bytes);
            if (isServiceTemp(name)) {
                broken.append(QStringLiteral("a temporary file is listed: ") + name);
                continue;
            }
            if (!folderLogos.contains(d))
                broken.append(QStringLiteral("unknown or partial file %1%2").arg(folder, name));
            present.insert(d);
        }
    }
    for (int s = 0; s < SlotCount; ++s) {
        const QString path = systemFilePath(LogoSlot(s), Windows);
        QByteArray bytes;
        if (files.readFile(path, bytes, 1 << 20) != 0) {
            broken.append(QStringLiteral("system file missing: ") + path);
            continue;
        }
        const QByteArray d = digest(bytes);
        if (!folderLogos.contains(d) && !systemLogos.contains(d))
            broken.append(QStringLiteral("system file neither old nor new: ") + path);
        present.insert(d);
    }
    for (const QByteArray &d : std::as_const(folderLogos)) {
        if (!present.contains(d))
            broken.append(QStringLiteral("logo lost: ") + QString::fromLatin1(d));
    }

    QByteArray ini;
    if (files.readFile(Settings, ini, 1 << 20) != 0) {
        broken.append(QStringLiteral("settings file unreadable"));
    } else {
        const ProfileText text(ini);
        QByteArray v;
        if (!ini.startsWith("; stress settings\r\n"))
            broken.append(QStringLiteral("settings file lost its first line"));
        if (!text.value("SplashwheelSet", "Start_Path", v) || v != "C:\\Logos\\")
            broken.append(QStringLiteral("settings: Start_Path"));
        if (!text.value("SplashwheelSet", "Method", v) || !Methods.contains(QString::fromLatin1(v)))
            broken.append(QStringLiteral("settings: Method"));
        if (!text.value("SplashwheelSet", "PopUp", v) || !Flags.contains(QString::fromLatin1(v)))
            broken.append(QStringLiteral("settings: PopUp"));
        if (!text.value("Other", "x", v) || v != "1")
            broken.append(QStringLiteral("settings: another section changed"));
    }

    for (const QString &b : std::as_const(broken))
        std::fprintf(stderr, "BROKEN: %s\n", qPrintable(b));
    std::printf("temporary files left: %d\n", temps);
    return broken.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("setup"))
        return setup(QDir::cleanPath(QDir::current().absoluteFilePath(args[2])));
    if (args.size() >= 4 && args[1] == QLatin1String("run"))
        run(QDir::cleanPath(QDir::current().absoluteFilePath(args[2])), args[3].toUInt());
    if (args.size() >= 3 && args[1] == QLatin1String("check"))
        return check(QDir::cleanPath(QDir::current().absoluteFilePath(args[2])));
    std::fprintf(stderr, "usage: bootgallery-stress setup|check PREFIX, or run PREFIX SEED\n");
    return 2;
}
