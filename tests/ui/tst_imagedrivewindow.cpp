// The main window on a drive C that is an emulator's disk image, in each of the emulators'
// formats, used as a user uses it. After every step mtools and fsck.fat look at the image: the
// 8.3 entries Windows looks for, the hidden bit, the files' bytes, a clean volume; and the boxes
// the step showed are exactly the ones it shows on a folder drive.
#include "platform/ShellLink.h"
#include "support/WindowFixture.h"
#include "ui/ImageBox.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace bg;
using namespace bg::test;
using Boxes = QList<ScriptedDesktop::Box>;

namespace {
const QString Folder = QStringLiteral("C:\\LOGOS\\");
const QStringList Three{"A.BMP", "B.BMP", "C.BMP"}, Kept{"E.BMP", "F.BMP"};
const QString Systems[] = {"\\LOGO.SYS", "\\WINDOWS\\LOGOW.SYS", "\\WINDOWS\\LOGOS.SYS"};
const char *const Previews[] = {"imgStartup", "imgWait", "imgShutdown"};
const QString Phrases[] = {"下次開機", "待會等待關機", "待會關機"};
const QString StartUp = QStringLiteral("\\WINDOWS\\Start Menu\\Programs\\StartUp");
const QString Installed = QStringLiteral("\\Program Files\\Bootgallery\\Onboot.exe");

} // namespace

// Each step's checks return at their first failure; the test then ends there.
#define STEP(call) do { call; if (QTest::currentTestFailed()) return; } while (false)

class TestImageDriveWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    // The boxes the step showed (then forgotten), and a clean volume.
    void shown(const Boxes &boxes)
    {
        QCOMPARE(f->desktop.boxes, boxes);
        f->desktop.boxes.clear();
        QVERIFY(f->image->fsckClean());
    }
    // C:\LOGOS\ as the list shows it and as its 8.3 entries are.
    void logos(const QStringList &entries)
    {
        QCOMPARE(f->entries(), entries);
        QStringList names = f->image->shortNames("\\LOGOS");
        names.removeOne("SHOWED*");
        names.sort();
        QCOMPARE(names, entries);
    }

private slots:
    void cleanup() { f.reset(); }

    void operations_data()
    {
        QTest::addColumn<int>("format");
        for (int format = ImagePrefix::Raw; format <= ImagePrefix::Vmdk; ++format)
            QTest::newRow(qPrintable(ImagePrefix::formatName(ImagePrefix::Format(format)))) << format;
    }
    void operations()
    {
        QFETCH(int, format);
        if (format != ImagePrefix::Raw && !ImagePrefix::fuseUsable())
            QSKIP("/dev/fuse cannot be opened on this machine");
        f = std::make_unique<WindowFixture>();
        QVERIFY(f->writeLogos(Folder, Three + Kept));
        QList<QByteArray> bytes;
        for (const QString &name : Three + Kept)
            bytes.append(f->tmp.readFile(Folder + name));
        QVERIFY(f->useImage(ImagePrefix::Format(format)));
        QCOMPARE(f->start(), -1);
        STEP(shown({}));

        // Each slot gets the first logo listed, hidden, and shows it; the one applied goes to Showed.
        for (int slot = 0; slot < 3; ++slot) {
            f->clickTab(LogoSlot(slot));
            f->typePath(Folder);
            QVERIFY(f->waitForScan());
            QCOMPARE(f->entries(), Three.mid(slot) + Kept);
            auto *chosen = f->find<ImageBox>("imgOutput");
            QTRY_VERIFY_WITH_TIMEOUT(chosen->hasPicture(), 30000);
            const QImage picture = chosen->picture();
            f->doubleClickRow(0);
            QVERIFY(f->waitForScan());
            STEP(shown({{Phrases[slot] + "的畫面為==>" + Three[slot], mb::Information, "更換成功"}}));
            STEP(logos(Three.mid(slot + 1) + Kept));
            QCOMPARE(f->image->read(Systems[slot]), bytes[slot]);
            QCOMPARE(f->image->attributeLetters(Systems[slot]), "H");
            QCOMPARE(f->image->read("\\LOGOS\\Showed\\" + Three[slot]), bytes[slot]);
            QTRY_COMPARE_WITH_TIMEOUT(f->find<ImageBox>(Previews[slot])->picture(), picture, 30000);
        }
        QCOMPARE(f->image->shortNames("\\").filter(".SYS"), QStringList{"LOGO.SYS"});
        QCOMPARE(f->image->shortNames("\\WINDOWS").filter(".SYS"), (QStringList{"LOGOW.SYS", "LOGOS.SYS"}));
        // The hidden LOGO.SYS replaced by the next logo.
        f->clickTab(LogoSlot::Startup);
        QVERIFY(f->waitForScan());
        f->doubleClickRow(0);
        QVERIFY(f->waitForScan());
        STEP(shown({{Phrases[0] + "的畫面為==>E.BMP", mb::Information, "更換成功"}}));
        STEP(logos({"F.BMP"}));
        QCOMPARE(f->image->read(Systems[0]), bytes[3]);
        QCOMPARE(f->image->attributeLetters(Systems[0]), "H");
        QCOMPARE(f->image->shortNames("\\").filter(".SYS"), QStringList{"LOGO.SYS"});

        // Restore brings the four back from Showed, which then goes.
        QTest::mouseClick(f->find<QPushButton>("cmdRestore"), Qt::LeftButton);
        QVERIFY(f->waitForScan());
        STEP(shown({}));
        QCOMPARE(f->entries(), Three + Kept);
        QStringList listed = f->entries();
        STEP(logos(listed));

        // A logo dropped from the host's file manager is added.
        const QString dropped = f->tmp.baseDir() + "/D.BMP";
        QVERIFY(f->writeLogo(Folder + "D.BMP", 9) && QFile::rename(f->tmp.host(Folder + "D.BMP"), dropped));
        QFile file(dropped);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray logoD = file.readAll();
        QSignalSpy scans(&f->w(), &MainWindow::scanFinished);
        QVERIFY(f->dropOnList({dropped}));
        QTRY_COMPARE_WITH_TIMEOUT(scans.size(), 1, 30000);
        listed.append("D.BMP");
        listed.sort();
        STEP(shown({}));
        STEP(logos(listed));
        QCOMPARE(f->image->read("\\LOGOS\\D.BMP"), logoD);

        // Renamed in the box over its row to a long name.
        f->clickRow(int(listed.indexOf("D.BMP")));
        QTest::keyClick(f->find("lstSys"), Qt::Key_F2);
        QTest::keyClicks(f->find<QLineEdit>("txtRename"), "Sunset glow.bmp");
        QTest::keyClick(f->find<QLineEdit>("txtRename"), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(scans.size(), 2, 30000);
        listed.replace(listed.indexOf("D.BMP"), "Sunset glow.bmp");
        listed.sort();
        QCOMPARE(f->entries(), listed);
        STEP(shown({}));
        QVERIFY(f->image->shortNames("\\LOGOS").contains("SUNSET~1.BMP*"));
        QCOMPARE(f->image->read("\\LOGOS\\Sunset glow.bmp"), logoD);

        // Deleted from the Edit menu, once confirmed.
        f->clickRow(int(listed.indexOf("Sunset glow.bmp")));
        f->desktop.answer(mb::AnswerYes);
        f->chooseMenu('E', 'D');
        QVERIFY(f->waitForScan());
        STEP(shown({{"確定要將 'Sunset glow.bmp' 刪除嗎？", mb::InfoYesNo, "確認刪除檔案"}}));
        listed.removeOne("Sunset glow.bmp");
        STEP(logos(listed));

        // The change at boot on: the companion installed and its shortcut in StartUp; off: both gone.
        f->chooseMenu('S', 'Y');
        QVERIFY(f->waitForScan());
        STEP(shown({}));
        QVERIFY(f->find<QAction>("mnuRun")->isChecked());
        QCOMPARE(f->image->read(Installed), Companion);
        QCOMPARE(shelllink::targetOf(f->image->read(StartUp + "\\Splashwheel.lnk")), "C:" + Installed);
        f->chooseMenu('S', 'N');
        QVERIFY(f->waitForScan());
        STEP(shown({}));
        QVERIFY(f->find<QAction>("mnuUnrun")->isChecked());
        QCOMPARE(f->image->shortNames("\\Program Files"), QStringList());
        QCOMPARE(f->image->shortNames(StartUp), QStringList());

        // Closing saves the folders shown: the settings file is written.
        for (int slot = 0; slot < 3; ++slot)
            f->desktop.answer(mb::AnswerYes); // each slot's changed folder saved
        QTest::keyClick(f->find("lstSys"), Qt::Key_X, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!f->w().isVisible(), 30000);
        QCOMPARE(f->takeBoxTitles(), QStringList(3, "Bootgallery"));
        STEP(shown({}));
        QVERIFY(f->image->shortNames("\\WINDOWS").contains("SW.INI"));
        const QByteArray settings = f->image->read("\\WINDOWS\\SW.INI");
        for (const char *key : {"Start_Path", "Wait_Path", "Shutdown_Path"})
            QVERIFY2(settings.contains(key + QByteArray("=C:\\LOGOS\\\r\n")), settings.constData());
    }

    // While an emulator holds the image the window only reads it: it says so at the start, and
    // each change it then refuses says why, under the change's title; once the emulator is gone
    // the same change is made.
    void heldByAnEmulator()
    {
        if (!ImagePrefix::fuseUsable())
            QSKIP("/dev/fuse cannot be opened on this machine");
        f = std::make_unique<WindowFixture>();
        QVERIFY(f->writeLogos(Folder, Three));
        QVERIFY(f->useImage(ImagePrefix::Qcow2));
        QProcess emulator;
        emulator.start("stdbuf", {"-oL", "qemu-io", "-f", "qcow2", "-c", "length", "-c", "sleep 60000", f->image->image()});
        QVERIFY(emulator.waitForReadyRead(30000));
        const QString held = "磁碟映像檔「win98.qcow2」正由另一個程式使用中（例如正在執行的模擬器）。\n\n";
        QCOMPARE(f->start(), -1);
        STEP(shown({{held + "程式以唯讀方式使用它：可以瀏覽與預覽 LOGO，但不會寫入映像檔；需要寫入的動作會說明無法執行的原因。",
                     mb::Information, "唯讀模式"}}));
        f->typePath(Folder);
        QVERIFY(f->waitForScan());
        QCOMPARE(f->entries(), Three);

        const QString refused = held + "程式只能讀取它，這項變更沒有寫入。";
        f->desktop.answer(mb::AnswerYes);
        f->chooseMenu('E', 'D');
        f->doubleClickRow(0);
        f->chooseMenu('S', 'Y');
        STEP(shown({{"確定要將 'A.BMP' 刪除嗎？", mb::InfoYesNo, "確認刪除檔案"}, {refused, mb::Critical, "刪除檔案發生錯誤"},
                    {refused, mb::Critical, "更換失敗"}, {refused, mb::Critical, "開機啟動"}}));
        QVERIFY(f->find<QAction>("mnuUnrun")->isChecked());
        STEP(logos(Three));
        QCOMPARE(f->image->shortNames("\\").filter(".SYS"), QStringList());

        emulator.kill();
        emulator.waitForFinished();
        f->doubleClickRow(0); // written on a worker, under a window that keeps the user waiting
        QCOMPARE(QApplication::activeModalWidget()->objectName(), "frmWriting");
        QVERIFY(f->waitForScan());
        QVERIFY(!QApplication::activeModalWidget());
        STEP(shown({{Phrases[0] + "的畫面為==>A.BMP", mb::Information, "更換成功"}}));
        QCOMPARE(f->image->attributeLetters(Systems[0]), "H");
    }
};

QTEST_MAIN(TestImageDriveWindow)
#include "tst_imagedrivewindow.moc"
