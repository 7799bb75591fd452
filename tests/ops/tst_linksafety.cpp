// Nothing outside the machine changes, whatever links its folders hold: every operation that
// changes files runs on a prefix without Z: whose folders hold links to files and folders outside
// it (a folder the user chose that is itself a link is the user's folder: not run here), once cleanly and once with each of its changing calls failed in turn. Afterwards every file
// outside has its bytes, mode, times and extended attributes of before, and no system file is a
// link.
#include "core/LogoSettings.h"
#include "core/LogoTests.h"
#include "ops/LogoApplier.h"
#include "ops/LogoDropAdder.h"
#include "ops/LogoRestorer.h"
#include "ops/RenameRules.h"
#include "ops/StartupRegistration.h"
#include "platform/DosAttributes.h"
#include "platform/PictureLoader.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDesktop.h"
#include "support/TempPrefix.h"
#include "ui/CommandLineModes.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTest>

#include <sys/stat.h>
#include <sys/xattr.h>

using namespace bg;
using namespace bg::test;

namespace {

const QString Logos = QStringLiteral("C:\\Logos\\"), Other = QStringLiteral("C:\\Other\\");
const QStringList SystemFiles{"C:\\LOGO.SYS", "C:\\WINDOWS\\LOGOW.SYS", "C:\\WINDOWS\\LOGOS.SYS"};

QByteArray logo(int shade)
{
    return pictures::bmp(QSize(320, 400), 8).replace(1078, 1, QByteArray(1, char(shade)));
}

bool write(const QString &hostPath, const QByteArray &bytes)
{
    QFile file(hostPath);
    return QDir().mkpath(QFileInfo(hostPath).path()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

// Everything that describes a file outside: its path, mode, times, attributes and bytes.
QStringList snapshot(const QString &dir)
{
    QStringList state;
    for (QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QByteArray path = QFile::encodeName(it.next());
        struct stat st{};
        char xattrs[512] = {};
        ::lstat(path.constData(), &st);
        const ssize_t n = std::max<ssize_t>(::llistxattr(path.constData(), xattrs, sizeof xattrs), 0);
        QFile file(it.filePath());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        state << it.filePath() + QString::asprintf(" %o %ld.%ld %d ", st.st_mode, long(st.st_mtim.tv_sec),
                                                   long(st.st_mtim.tv_nsec), attr::read(it.filePath()))
                     + QString::fromLatin1(QByteArray(xattrs, int(n)).toHex() + ' '
                                           + QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
    }
    return state;
}

// A machine without Z: beside a folder outside it. C:\Logos\ holds a logo, a link to a read-only
// logo outside (absolute), one to another (relative), a link to a folder outside, and a Showed
// holding a logo and a link outside; C:\Other\ holds a logo and a Showed that is a link outside.
// SW.ini and the Startup shortcut are links to files outside.
struct Machine
{
    TempPrefix tmp;
    QString outside = tmp.baseDir() + QStringLiteral("/outside");

    bool build()
    {
        const QString c = tmp.driveC();
        bool ok = tmp.removeDrive(u'z') && write(outside + "/o1.bmp", logo(1))
            && write(outside + "/o2.bmp", logo(2)) && write(outside + "/dir/d.bmp", logo(3))
            && write(outside + "/showed/s.bmp", logo(4)) && write(outside + "/sw.ini", "[x]\r\n")
            && write(outside + "/link.lnk", "L") && write(c + "/Logos/a.bmp", logo(5))
            && write(c + "/Other/b.bmp", logo(6)) && write(c + "/Logos/Showed/u.bmp", logo(7))
            && write(c + "/LOGO.SYS", logo(8)) && tmp.writeFile(SystemFiles[1], logo(9));
        ok = ok && QFile::setPermissions(outside + "/o1.bmp", QFile::ReadOwner | QFile::ReadGroup)
            && attr::write(outside + "/o2.bmp", attr::Archive) == rt::Ok;
        const QString startup = tmp.host(tmp.prefix().startupFolder() + "\\");
        const std::pair<QString, QString> links[] = {
            {outside + "/o1.bmp", c + "/Logos/l1.bmp"},
            {QDir(c + "/Logos").relativeFilePath(outside + "/o2.bmp"), c + "/Logos/l2.bmp"},
            {outside + "/dir", c + "/Logos/sub"},
            {outside + "/showed", c + "/Other/Showed"},
            {outside + "/o2.bmp", c + "/Logos/Showed/x.bmp"},
            {outside + "/sw.ini", tmp.host("C:\\WINDOWS") + "/SW.ini"},
            {outside + "/link.lnk", startup + "/Splashwheel.lnk"},
        };
        for (const auto &[target, link] : links)
            ok = ok && QFile::link(target, link);
        return ok;
    }
};

} // namespace

class TestLinkSafety : public QObject
{
    Q_OBJECT

private slots:
    void nothingOutsideChanges()
    {
        const PictureLoader pictures(96, 96);
        // Every operation that changes files, on every kind of entry.
        using Operation = std::function<void(FileService &, Machine &)>;
        std::vector<Operation> operations;
        for (const QString &name : QStringList{"a.bmp", "l1.bmp", "l2.bmp", "sub"})
            for (int slot = 0; slot < 3; ++slot)
                operations.push_back([=](FileService &files, Machine &) {
                    LogoApplier(files).apply(Logos + name, Logos, name, LogoSlot(slot), "C:\\WINDOWS\\");
                });
        operations.push_back([](FileService &files, Machine &) {
            LogoApplier(files).apply(Other + "b.bmp", Other, "b.bmp", LogoSlot::Startup, "C:\\WINDOWS\\");
        });
        for (const QString &folder : {Logos, Other})
            operations.push_back([=](FileService &files, Machine &) { LogoRestorer(files).restore(folder); });
        operations.push_back([](FileService &files, Machine &) {
            LogoRenamer(files).rename(Logos, "l1.bmp", "r.bmp");
            LogoRenamer(files).rename(Logos, "l2.bmp", "L2.BMP");
        });
        operations.push_back([](FileService &files, Machine &) {
            for (const QString &name : QStringList{"l1.bmp", "l2.bmp", "r.bmp"})
                files.deleteFile(Logos + name, true);
            files.deleteFolder(Other + "Showed", true);
            files.deleteFolder(Logos + "sub", true);
        });
        operations.push_back([](FileService &files, Machine &) {
            for (const QString &name : QStringList{"l1.bmp", "l2.bmp", "sub", "Showed\\x.bmp", "..\\Other\\Showed"})
                files.setAttr(Logos + name, attr::Hidden | attr::ReadOnly | attr::System);
        });
        operations.push_back([&pictures](FileService &files, Machine &) {
            const LogoTester tester(files, pictures);
            LogoDropAdder(files, tester).add({Logos + "l1.bmp", Logos + "sub\\d.bmp"}, Other,
                                             [](const QString &) { return true; });
            ScriptedDesktop desktop;
            desktop.answer(mb::AnswerYes);
            cmdline::addToStartup(files, desktop, tester, pictures, "/c " + Logos + "l2.bmp", Other,
                                  nullptr);
        });
        operations.push_back([](FileService &files, Machine &m) {
            PrivateProfile profile(files);
            SettingsFile(profile, "C:\\WINDOWS\\").write("Start_Path", Other);
            const QString startup = m.tmp.prefix().startupFolder();
            const StartupRegistration registration(files);
            registration.create(startup, m.tmp.prefix().programsFolder(), "MZ");
            registration.remove(startup);
        });

        int runs = 0, outsideFiles = 0;
        for (size_t op = 0; op < operations.size(); ++op) {
            // With no failure, then with each changing call of that run failed in turn.
            int cleanCalls = 0;
            for (int failAt = 0;; ++failAt) {
                Machine m;
                QVERIFY(m.tmp.isValid() && m.build());
                const QStringList before = snapshot(m.outside);
                FaultInjectingFileService files(m.tmp.files());
                if (failAt > 0)
                    files.failNthCall(failAt, rt::PermissionDenied);
                operations[op](files, m);
                ++runs;
                outsideFiles += int(before.size());
                const QString what = QStringLiteral("operation %1, call %2 failed").arg(op).arg(failAt);
                QVERIFY2(snapshot(m.outside) == before, qPrintable(what + ": a file outside changed"));
                for (const QString &system : SystemFiles)
                    QVERIFY2(!QFileInfo(m.tmp.host(system)).isSymLink(),
                             qPrintable(what + ": " + system + " is a link"));
                if (failAt == 0)
                    cleanCalls = files.changingCalls();
                if (failAt >= cleanCalls)
                    break;
            }
        }
        qInfo("%d operations in %d runs; %d files outside compared", int(operations.size()), runs,
              outsideFiles);
    }
};

QTEST_MAIN(TestLinkSafety)
#include "tst_linksafety.moc"
