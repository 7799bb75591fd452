// A start with arguments: the argument text, the add mode and the preview mode.
#include "app/CommandLine.h"
#include "platform/RuntimeError.h"
#include "support/PictureFactory.h"
#include "support/PreviewWatcher.h"
#include "support/WindowFixture.h"
#include "ui/Twips.h"

#include <QDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace bg;
using bg::test::WindowFixture;
namespace pictures = bg::test::pictures;

namespace {
const QString Source = QStringLiteral("C:\\Incoming\\a.bmp");
const QString Target = QStringLiteral("C:\\Logos\\a.bmp");
const QString Settings = QStringLiteral("[SplashwheelSet]\nStart_Path=C:\\Logos\\\nMethod=Big\n");

using Box = test::ScriptedDesktop::Box;
using Boxes = QList<Box>;
Box box(int style, const QString &title, const QString &prompt) { return {prompt, style, title}; }

// Takes away (or gives back) the thread's right to pass over file permissions, which root has,
// so that a folder without permissions refuses the test as it refuses a user.
void passOverPermissions(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    if (::syscall(SYS_capget, &header, caps) != 0)
        return;
    const quint32 override = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    caps[0].effective = on ? caps[0].effective | (caps[0].permitted & override) : caps[0].effective & ~override;
    ::syscall(SYS_capset, &header, caps);
}

// Files a row asks for, "kind:path;...": logo, other (another logo), readonly (another logo,
// read-only), jpeg (320 x 400), sized (129,000 bytes, no picture), small (100 x 100), dir,
// locked (an existing folder loses every permission), diskfull (every copy fails, disk full).
bool makeFiles(WindowFixture &f, const QString &layout)
{
    for (const QString &item : layout.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString kind = item.section(QLatin1Char(':'), 0, 0);
        const QString path = item.section(QLatin1Char(':'), 1);
        const bool ok = kind == "logo"    ? f.writeLogo(path)
                        : kind == "other" ? f.writeLogo(path, 77)
                        : kind == "readonly" ? f.writeLogo(path, 77) && f.tmp.setReadOnly(path, true)
                        : kind == "jpeg"  ? f.tmp.writeFile(path, pictures::jpeg(QSize(320, 400)))
                        : kind == "sized" ? f.tmp.writeFileOfSize(path, 129000)
                        : kind == "small" ? f.tmp.writeFile(path, pictures::bmp(QSize(100, 100)))
                        : kind == "locked" ? QFile::setPermissions(f.tmp.host(path), {})
                        : kind == "diskfull" ? (f.injectFaults().failEveryCallOf("copyFile", rt::DiskFull), true)
                                           : f.tmp.makeFolder(path);
        if (!ok)
            return false;
    }
    return true;
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void argumentText_data()
    {
        // "@" is the temporary folder, "<x>" the Windows form of @/pics/x.
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("cwd");
        QTest::addColumn<QString>("expected");
        QTest::newRow("absolute") << QStringList{"/c", "@/pics/a.bmp"} << "/" << "/c <a.bmp>";
        QTest::newRow("relative") << QStringList{"pics/a.bmp"} << "@" << "<a.bmp>";
        QTest::newRow("dots") << QStringList{"../pics/a.bmp"} << "@/pics" << "<a.bmp>";
        QTest::newRow("missing file") << QStringList{"none.bmp"} << "@/pics" << "<none.bmp>";
        QTest::newRow("/C stays a switch") << QStringList{"/C", "@/pics/a.bmp"} << "/"
                                           << "/C <a.bmp>";
        QTest::newRow("quoted") << QStringList{"\"@/pics/a.bmp\""} << "/" << "\"@/pics/a.bmp\"";
        QTest::newRow("Windows path") << QStringList{"C:\\a.bmp"} << "@" << "C:\\a.bmp";
        QTest::newRow("missing folder") << QStringList{"@/gone/a.bmp"} << "/" << "@/gone/a.bmp";
    }

    void argumentText()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, cwd);
        QFETCH(QString, expected);
        test::TempPrefix machine;
        const QString base = QDir(machine.baseDir()).canonicalPath();
        QVERIFY(QDir(base).mkpath(QStringLiteral("pics")));
        QVERIFY(QFile(base + QStringLiteral("/pics/a.bmp")).open(QIODevice::WriteOnly));
        for (QString &a : arguments)
            a.replace(QLatin1Char('@'), base);
        for (const QString &name : {QStringLiteral("a.bmp"), QStringLiteral("none.bmp")})
            expected.replace('<' + name + '>', machine.windows(base + QStringLiteral("/pics/") + name));
        expected.replace(QLatin1Char('@'), base);
        QCOMPARE(commandText(machine.prefix(), arguments, cwd.replace(QLatin1Char('@'), base)),
                 expected);
    }

    // A command line is one job after which the program ends: "/c" adds a picture to the Startup
    // slot's folder, anything else previews it (modally, until clicked).
    void job_data()
    {
        // settings: null for the usual ones; answer 0: no question expected; target afterwards:
        // "source", "old" (unchanged) or "none"; "preview": none, the preview was shown.
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("target");
        const Box added = box(64, "加入完成", "已成功的將 'a.bmp' 加入 C:\\Logos\\");
        const Box replace = box(292, "確認取代檔案", "'a.bmp' 檔案已經存在，是否要覆蓋此檔？");
        const Boxes noFolder{box(16, "路徑錯誤", "找不到您所設定的開機畫面路徑，請重新指定更換LOGO的檔案路徑!!")};
        const Box missing = box(16, "加入失敗", "找不到來源檔案。"), denied = box(16, "加入失敗", "沒有檔案的使用權限。");
        const QString notLogo = "' 不是一個 LOGO，所以無法加入至 C:\\Logos\\";
        const auto noPreview = [](const QString &name) {
            return Boxes{box(16, "預覽錯誤", "'" + name + "' 不是一個 LOGO，所以無法預覽。")};
        };
        const QString logo = "dir:C:\\Logos\\;logo:" + Source, cmd = "/c " + Source, none;
        QTest::newRow("copied") << none << logo << cmd << 0 << Boxes{added} << 0 << "source";
        QTest::newRow("any third character") << none << logo << "/c*" + Source << 0 << Boxes{added} << 0 << "source";
        QTest::newRow("no folder set") << "" << logo << cmd << 0 << noFolder << 1 << "none";
        QTest::newRow("folder missing, file not looked at")
            << "[SplashwheelSet]\nStart_Path=C:\\Gone\\\n" << "" << cmd << 0 << noFolder << 1 << "none";
        QTest::newRow("JPEG, size not 129...")
            << none << "dir:C:\\Logos\\;jpeg:C:\\Incoming\\a.jpg" << "/c C:\\Incoming\\a.jpg" << 0
            << Boxes{box(16, "加入失敗", "'a.jpg" + notLogo)} << 1 << "none";
        QTest::newRow("129,000 bytes, no picture") << none << "dir:C:\\Logos\\;sized:" + Source << cmd
            << 0 << Boxes{box(16, "加入失敗", "'a.bmp" + notLogo)} << 1 << "none";
        QTest::newRow("missing source") << none << "dir:C:\\Logos\\" << cmd << 0 << Boxes{missing} << 1 << "none";
        QTest::newRow("quoted path") << none << logo << "/c \"" + Source + "\"" << 0 << Boxes{missing} << 1 << "none";
        QTest::newRow("source folder locked") << none << logo + ";locked:C:\\Incoming" << cmd << 0
                                              << Boxes{denied} << 1 << "none";
        QTest::newRow("already in the folder") << none << "logo:" + Target << "/c c:\\logos\\A.BMP"
                                               << 0 << Boxes{} << 0 << "old";
        QTest::newRow("existing, Yes") << none << logo + ";other:" + Target << cmd << 6
                                       << Boxes{replace, added} << 0 << "source";
        QTest::newRow("existing, No") << none << logo + ";other:" + Target << cmd << 7 << Boxes{replace} << 0 << "old";
        QTest::newRow("read-only, Yes") << none << logo + ";readonly:" + Target << cmd << 6
                                        << Boxes{replace, denied} << 1 << "old";
        // A copy error without a text of its own is told by its number.
        QTest::newRow("disk full") << none << logo + ";diskfull:" << cmd << 0
            << Boxes{box(16, "錯誤編號61", "程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！")} << 1 << "none";
        QTest::newRow("/C previews the whole text") << none << logo << "/C " + Source << 0
                                                    << noPreview("a.bmp") << 1 << "none";
        QTest::newRow("preview") << none << "logo:" + Source << Source << 0 << Boxes{} << 0 << "preview";
        QTest::newRow("preview, JPEG") << none << "jpeg:C:\\a.jpg" << "C:\\a.jpg" << 0 << Boxes{} << 0 << "preview";
        QTest::newRow("preview, not 320 x 400") << none << "small:" + Source << Source << 0
                                                << noPreview("a.bmp") << 1 << "none";
        QTest::newRow("preview, missing") << none << "" << Source << 0 << noPreview("a.bmp") << 1 << "none";
        QTest::newRow("preview, quoted") << none << "logo:" + Source << "\"" + Source + "\"" << 0
                                         << noPreview("a.bmp\"") << 1 << "none";
        QTest::newRow("preview, no backslash") << none << "" << "a.bmp" << 0 << noPreview("") << 1 << "none";
    }
    void job()
    {
        QFETCH(QString, settings);
        QFETCH(QString, files);
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(Boxes, boxes);
        QFETCH(int, exitCode);
        QFETCH(QString, target);
        WindowFixture f(command);
        if (settings.isNull() || !settings.isEmpty())
            f.writeSettings(settings.isNull() ? Settings : settings);
        QVERIFY(makeFiles(f, files));
        const QByteArray before = f.settingsBytes();
        const QByteArray old = f.tmp.readFile(Target);
        if (answer)
            f.desktop.answer(answer);

        const test::PreviewWatcher preview;
        passOverPermissions(false);
        const int exitStatus = f.start();
        passOverPermissions(true);
        if (files.contains("locked:")) // the temporary folder must be able to go
            QVERIFY(QFile::setPermissions(f.tmp.host("C:\\Incoming"), QFile::ReadOwner
                                          | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(f.desktop.boxes, boxes);
        QCOMPARE(f.desktop.pendingAnswers(), 0);
        QVERIFY(!f.window);
        QCOMPARE(exitStatus, exitCode);
        QCOMPARE(f.settingsBytes(), before); // nothing saved
        QCOMPARE(f.tmp.exists(Target), target == "source" || target == "old");
        if (target == "source" || target == "old")
            QCOMPARE(f.tmp.readFile(Target), target == "old" ? old : f.tmp.readFile(Source));
        QCOMPARE(preview.opened, target == "preview");
        if (target == "preview") { // on top (started with a command line), frameless, modal, 4800 x 6000 twips
            QVERIFY(preview.modal && preview.closedByClick);
            QVERIFY(preview.flags.testFlags(Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint));
            const Twips twips = Twips::forWidget(nullptr);
            QCOMPARE(preview.size, QSize(twips.toPixelsX(4800), twips.toPixelsY(6000)));
        }
    }

    void hostPathIsAdded()
    {
        // "bootgallery /c ~/pics/b.bmp" as the shell hands it over.
        WindowFixture f;
        f.writeSettings(Settings);
        QVERIFY(f.tmp.makeFolder(QStringLiteral("C:\\Logos\\")));
        const QString host = QDir(f.tmp.baseDir()).canonicalPath() + QStringLiteral("/b.bmp");
        QVERIFY(f.tmp.writeFile(f.tmp.windows(host), pictures::bmp(QSize(320, 400))));
        f.services->commandText = commandText(f.tmp.prefix(), {QStringLiteral("/c"), host}, "/");
        QVERIFY(f.services->commandText.startsWith(QLatin1String("/c Z:\\")));
        QCOMPARE(f.start(), 0);
        QCOMPARE(f.desktop.boxes, Boxes{box(64, "加入完成", "已成功的將 'b.bmp' 加入 C:\\Logos\\")});
        QCOMPARE(f.tmp.readFile(QStringLiteral("C:\\Logos\\b.bmp")), pictures::bmp(QSize(320, 400)));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
