// A start with arguments: the argument text, the add mode, the preview mode and the boot preview.
#include "app/CommandLine.h"
#include "app/CommandLineOptions.h"
#include "core/BootScreen.h"
#include "core/LogoTests.h"
#include "platform/JobChannel.h"
#include "platform/RuntimeError.h"
#include "support/PictureFactory.h"
#include "support/PreviewWatcher.h"
#include "support/WindowFixture.h"
#include "ui/CommandLineModes.h"
#include "ui/FrmBootPreview.h"

#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <future>

#include <sys/resource.h>
#include <unistd.h>

using namespace bg;
using bg::test::WindowFixture;
namespace pictures = bg::test::pictures;

namespace {
const QString Source = QStringLiteral("C:\\Incoming\\a.bmp");
const QString Target = QStringLiteral("C:\\Logos\\a.bmp");
const QString Settings = QStringLiteral("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");

using Box = test::ScriptedDesktop::Box;
using Boxes = QList<Box>;
Box box(int style, const QString &title, const QString &prompt) { return {prompt, style, title}; }

// Sets the process's file-size limit (ulimit -f), in bytes; RLIM_INFINITY lifts it again.
bool fileSizeLimit(rlim_t bytes)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min(bytes, limit.rlim_max);
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}


// Files a row asks for, "kind:path;...", in a machine whose Startup folder C:\Logos\ exists: logo,
// other (another logo), readonly (another logo, read-only), jpeg (320 x 400), sized (129,000 bytes,
// no picture), small (100 x 100), locked (an existing folder loses every permission), diskfull
// (every copy fails, disk full), sizelimit (a file-size limit below a logo's size), gone (a folder is removed), bare (the settings name this folder
// without its trailing backslash).
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
                        : kind == "sizelimit" ? fileSizeLimit(100000)
                        : kind == "bare" ? (f.writeSettings("[SplashwheelSet]\nStart_Path=" + path + "\n"), true)
                                           : QDir().rmdir(f.tmp.host(path));
        if (!ok)
            return false;
    }
    return true;
}

// Hands the command to the open window as a later start does (from a thread of its own, as the
// window runs here); meanwhile runs while it waits. The exit status it gets, -1 for none.
int handOver(WindowFixture &f, const QString &command, const std::function<void()> &meanwhile = {})
{
    const QString name = f.tmp.baseDir() + "/jobs.socket";
    std::future<int> status; // outlives the server, whose end ends a wait that went wrong
    JobServer server;
    QObject::connect(&server, &JobServer::jobReceived, &f.w(), &MainWindow::runHandedJob);
    if (!server.listen(name))
        return -2;
    status = std::async(std::launch::async, [&] { return handOverJob(name, command).value_or(-1); });
    if (meanwhile)
        meanwhile();
    const bool replied = QTest::qWaitFor([&] { return status.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000);
    return replied ? status.get() : -3;
}

// The body of the job tests: the command run at start-up, or handed to the open window.
void checkJob(bool handed)
{
    QFETCH(QString, files); QFETCH(QString, command); QFETCH(int, answer);
    QFETCH(Boxes, boxes); QFETCH(QString, target);
    WindowFixture f(handed ? QString() : command);
    f.writeSettings(Settings);
    QVERIFY(f.tmp.makeFolder("C:\\Logos") && makeFiles(f, files));
    const QByteArray before = f.settingsBytes(), old = f.tmp.readFile(Target);
    if (handed) {
        QCOMPARE(f.start(), -1);
        f.desktop.boxes.clear(); // a missing folder was told while loading
    }
    if (answer < 0) // the conversion offer: -1 accepted, -2 declined
        f.desktop.chooseConversion(answer == -1 ? std::optional(ConversionChoice{}) : std::nullopt);
    else if (answer)
        f.desktop.answer(answer);
    const test::PreviewWatcher preview;
    test::passOverPermissions(false);
    const int exitStatus = handed ? handOver(f, command) : f.start();
    test::passOverPermissions(true);
    fileSizeLimit(RLIM_INFINITY);
    if (files.contains("locked:")) // the temporary folder must be able to go
        QVERIFY(QFile::setPermissions(f.tmp.host("C:\\Incoming"), QFile::ReadOwner | QFile::WriteOwner
                                                                   | QFile::ExeOwner));
    QCOMPARE(f.desktop.boxes, boxes);
    QVERIFY(f.desktop.pendingAnswers() == 0 && !f.window == !handed);
    QCOMPARE(exitStatus, !boxes.isEmpty() && boxes.last().style == mb::Critical ? 1 : 0);
    QCOMPARE(f.settingsBytes(), before); // nothing saved
    QCOMPARE(f.tmp.exists(Target), target == "source" || target == "old" || target == "converted");
    if (target == "converted")
        QVERIFY(LogoBitmap::parse(f.tmp.readFile(Target)));
    else
        QCOMPARE(f.tmp.readFile(Target), target == "old" ? old : target == "source" ? f.tmp.readFile(Source) : "");
    QCOMPARE(f.desktop.offers.size(), answer < 0 ? 1 : 0);
    QCOMPARE(preview.opened, target == "preview");
    // On top (started with a command line), frameless and modal.
    const Qt::WindowFlags onTop = Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint;
    QVERIFY(target != "preview" || (preview.modal && preview.closedByClick && preview.flags.testFlags(onTop)));
    QVERIFY(!handed || f.waitForScan());
    QCOMPARE(handed && f.entries().contains("a.bmp"), handed && f.tmp.exists(Target));
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    // The tool's own options: "--" starts an option, never a file name; -h and /? ask for the usage.
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer"); // "start", "usage", "version" or the unknown option
        QTest::newRow("none") << QStringList{} << "start";
        QTest::newRow("a job") << QStringList{"/c", "a.bmp"} << "start";
        QTest::newRow("single dash") << QStringList{"-x.bmp"} << "start";
        for (const char *help : {"--help", "-h", "/?"})
            QTest::newRow(help) << QStringList{help} << "usage";
        QTest::newRow("--help after /c") << QStringList{"/c", "--help"} << "usage";
        QTest::newRow("--version") << QStringList{"--version"} << "version";
        QTest::newRow("--help wins over --version") << QStringList{"--version", "--help"} << "usage";
        QTest::newRow("unknown") << QStringList{"/c", "--add"} << "--add";
        QTest::newRow("unknown wins") << QStringList{"--help", "--Version"} << "--Version";
    }
    void options()
    {
        QFETCH(QStringList, arguments); QFETCH(QString, answer);
        const OptionsDecision d = decideOptions(arguments);
        QCOMPARE(d.run, answer == "start");
        QCOMPARE(d.exitCode, answer.startsWith("--") ? 2 : 0);
        if (answer == "usage")
            QVERIFY(d.output.contains("bootgallery /c <圖片>") && d.output.contains("BOOTGALLERY_PREFIX") && d.output.contains("--version"));
        QCOMPARE(d.output == "Bootgallery 4.0\n", answer == "version");
        QCOMPARE(d.errorOutput.contains("不明的選項「" + answer + "」") && d.errorOutput.contains("--help"), answer.startsWith("--"));
        QVERIFY(d.output.isEmpty() || d.errorOutput.isEmpty());
    }

    // --boot-preview takes exactly one picture, which is no option.
    void bootPreviewOption()
    {
        QCOMPARE(decideOptions({"--boot-preview", "a b.bmp"}).bootPreview, QString("a b.bmp"));
        for (const QStringList &wrong : {QStringList{"--boot-preview"}, {"--boot-preview", "--x"}, {"/c", "--boot-preview", "a.bmp"}})
            QVERIFY(decideOptions(wrong).exitCode == 2 && decideOptions(wrong).errorOutput.contains("--boot-preview"));
    }

    // --image takes one disk image, which is no option; the rest of the line stays the job.
    void imageOption()
    {
        const QStringList line{"--image", "w 98.img", "/c", "a.bmp"};
        QCOMPARE(std::pair(decideOptions(line).run, decideOptions(line).image), std::pair(true, QString("w 98.img")));
        QCOMPARE(jobArguments(line), (QStringList{"/c", "a.bmp"}));
        for (const QStringList &wrong : {QStringList{"--image"}, {"--image", "--help"}, {"--image", "a", "--image", "b"}, {"--convert", "p.png", "--image", "a"}})
            QCOMPARE(decideOptions(wrong).exitCode, 2);
        QProcess tool;
        tool.start(qEnvironmentVariable("BOOTGALLERY_TEST_BINARY_DIR") + "/bootgallery", {"--image", "/nonexistent/w.img"});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains("找不到磁碟映像檔「/nonexistent/w.img」"));
    }

    // The boot preview of a logo ends with status 0 once closed; a picture that is no logo is told (1).
    void bootPreviewMode()
    {
        WindowFixture f;
        QVERIFY(f.writeLogo("C:\\A\\a.bmp") && f.tmp.writeFile("C:\\A\\b.bmp", pictures::bmp(QSize(100, 100))));
        const LogoTester tester(f.tmp.files(), f.pictures);
        QTimer escape;
        QObject::connect(&escape, &QTimer::timeout, [&escape] {
            if (FrmBootPreview *p = FrmBootPreview::current(); p && p->isVisible())
                escape.stop(), QTest::keyClick(p, Qt::Key_Escape);
        });
        escape.start(5);
        for (const char *name : {"a.bmp", "b.bmp"})
            QCOMPARE(cmdline::bootPreview(f.tmp.files(), f.desktop, tester, f.pictures, QString("C:\\A\\") + name, nullptr), name[0] - 'a');
        QVERIFY(!escape.isActive());
        QCOMPARE(f.desktop.boxes, Boxes{box(16, "預覽錯誤", "'b.bmp' 不是一個 LOGO，所以無法預覽。")});
    }

    // The usage needs no display: it is given before the window system is asked for.
    void helpWithoutDisplay()
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY"), env.remove("WAYLAND_DISPLAY"), env.insert("QT_QPA_PLATFORM", "no-such-platform");
        tool.setProcessEnvironment(env);
        tool.start(qEnvironmentVariable("BOOTGALLERY_TEST_BINARY_DIR") + "/bootgallery", {"--help"});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(std::pair(tool.exitStatus(), tool.exitCode()), std::pair(QProcess::NormalExit, 0));
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), decideOptions({"--help"}).output);
    }

    // Arguments that name a file, or a file in an existing folder, become Windows paths; switches
    // and other text stay as typed.
    void argumentText()
    {
        test::TempPrefix machine;
        const QString base = QDir(machine.baseDir()).canonicalPath(), pics = base + QStringLiteral("/pics");
        QVERIFY(QDir(base).mkpath(QStringLiteral("pics")));
        QVERIFY(QFile(pics + QStringLiteral("/a.bmp")).open(QIODevice::WriteOnly));
        const QString a = machine.windows(pics + QStringLiteral("/a.bmp"));
        const auto text = [&machine](const QStringList &arguments, const QString &cwd) {
            return commandText(machine.prefix(), arguments, cwd);
        };
        QCOMPARE(text({"/c", pics + "/a.bmp"}, "/"), "/c " + a);
        QCOMPARE(text({"pics/a.bmp"}, base), a);
        QCOMPARE(text({"../pics/a.bmp"}, pics), a);
        QCOMPARE(text({"none.bmp"}, pics), machine.windows(pics + QStringLiteral("/none.bmp")));
        QCOMPARE(text({base + "/gone/a.bmp"}, "/"), base + "/gone/a.bmp");
    }

    // A command line is one job after which the program ends: "/c" adds a picture to the Startup
    // slot's folder, anything else previews it (modally, until clicked).
    void job_data()
    {
        // answer 0: no question expected; target afterwards: "source", "old" (unchanged) or "none";
        // "preview": none, the preview was shown. The program ends with 1 after an error box, else 0.
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<QString>("target");
        const Box added = box(64, "加入完成", "已成功的將 'a.bmp' 加入 C:\\Logos\\");
        const Box replace = box(292, "確認取代檔案", "'a.bmp' 檔案已經存在，是否要覆蓋此檔？");
        const Boxes noFolder{box(16, "路徑錯誤", "找不到您所設定的開機畫面路徑，請重新指定更換LOGO的檔案路徑!!")};
        const Box missing = box(16, "加入失敗", "找不到來源檔案。"), denied = box(16, "加入失敗", "沒有檔案的使用權限。");
        const auto notLogo = [](const QString &name) {
            return Boxes{box(16, "加入失敗", "'" + name + "' 不是一個 LOGO，所以無法加入至 C:\\Logos\\")};
        };
        const auto noPreview = [](const QString &name) {
            return Boxes{box(16, "預覽錯誤", "'" + name + "' 不是一個 LOGO，所以無法預覽。")};
        };
        const QString logo = "logo:" + Source, cmd = "/c " + Source;
        QTest::newRow("copied") << logo << cmd << 0 << Boxes{added} << "source";
        QTest::newRow("folder without backslash") << logo + ";bare:C:\\Logos" << cmd << 0 << Boxes{added} << "source";
        QTest::newRow("any third character") << logo << "/c*" + Source << 0 << Boxes{added} << "source";
        QTest::newRow("folder missing, file not looked at") << "gone:C:\\Logos" << cmd << 0 << noFolder << "none";
        // A picture that is no logo is offered for conversion; its logo is added as a.bmp.
        QTest::newRow("JPEG, conversion declined") << "jpeg:C:\\a.jpg" << "/c C:\\a.jpg" << -2 << Boxes{} << "none";
        QTest::newRow("JPEG converted") << "jpeg:C:\\a.jpg" << "/c C:\\a.jpg" << -1 << Boxes{added} << "converted";
        QTest::newRow("129,000 bytes, no picture") << "sized:" + Source << cmd << 0 << notLogo("a.bmp") << "none";
        QTest::newRow("missing source") << "" << cmd << 0 << Boxes{missing} << "none";
        QTest::newRow("source folder locked") << logo + ";locked:C:\\Incoming" << cmd << 0 << Boxes{denied} << "none";
        QTest::newRow("already in the folder") << "logo:" + Target << "/c c:\\logos\\A.BMP" << 0 << Boxes{} << "old";
        QTest::newRow("existing, Yes") << logo + ";other:" + Target << cmd << 6 << Boxes{replace, added} << "source";
        QTest::newRow("existing, No") << logo + ";other:" + Target << cmd << 7 << Boxes{replace} << "old";
        QTest::newRow("read-only, Yes") << logo + ";readonly:" + Target << cmd << 6 << Boxes{replace, denied} << "old";
        QTest::newRow("disk full") << logo + ";diskfull:" << cmd << 0
                                   << Boxes{box(16, "加入失敗", "磁碟已滿，無法複製圖片。資料夾中沒有留下不完整的檔案。")} << "none";
        // The system's file-size limit (ulimit -f) is below the logo's size: the write fails, the
        // program lives on to say so.
        QTest::newRow("over the file-size limit") << logo + ";sizelimit:" << cmd << 0
            << Boxes{box(16, "加入失敗", "檔案太大，超過系統允許這個程式寫入的檔案大小上限，無法複製圖片。資料夾中沒有留下不完整的檔案。")} << "none";
        QTest::newRow("/C previews the whole text") << logo << "/C " + Source << 0 << noPreview("a.bmp") << "none";
        QTest::newRow("preview") << logo << Source << 0 << Boxes{} << "preview";
        QTest::newRow("preview, JPEG") << "jpeg:C:\\a.jpg" << "C:\\a.jpg" << 0 << Boxes{} << "preview";
        QTest::newRow("preview, not 320 x 400") << "small:" + Source << Source << 0 << noPreview("a.bmp") << "none";
        QTest::newRow("preview, quoted") << logo << "\"" + Source + "\"" << 0 << noPreview("a.bmp\"") << "none";
        QTest::newRow("preview, no backslash") << "" << "a.bmp" << 0 << noPreview("") << "none";
    }
    void job() { checkJob(false); }
    // The same jobs handed by a later start to the open window: the same boxes, files and exit
    // status; the shown Startup folder is listed anew.
    void handedJob_data() { job_data(); }
    void handedJob() { checkJob(true); }

    // A handed job waits while a scan runs or a message box is open, and runs once it is over.
    void handedJobWaits_data()
    {
        QTest::addColumn<bool>("scan");
        QTest::newRow("scan") << true;
        QTest::newRow("message box") << false;
    }
    void handedJobWaits()
    {
        QFETCH(bool, scan);
        WindowFixture f;
        f.injectFaults();
        f.writeSettings(Settings);
        QVERIFY(f.tmp.makeFolder("C:\\Logos") && f.writeLogo(Source));
        QCOMPARE(f.start(), -1);
        QMessageBox dialog;
        dialog.setModal(true);
        scan ? (f.holdScans(), f.typePath("C:\\Logos")) : dialog.show();
        bool waited = false;
        const int exitStatus = handOver(f, "/c " + Source, [&] {
            QTest::qWait(600);
            waited = f.desktop.boxes.isEmpty() && !f.tmp.exists(Target);
            scan ? f.releaseScans() : dialog.hide();
        });
        QVERIFY(waited);
        QCOMPARE(exitStatus, 0);
        QCOMPARE(f.desktop.boxes, Boxes{box(64, "加入完成", "已成功的將 'a.bmp' 加入 C:\\Logos\\")});
        QVERIFY(f.waitForScan() && f.entries() == QStringList{"a.bmp"});
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
