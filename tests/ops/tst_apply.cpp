// The window's file actions through real input: applying the chosen logo (double-click, or a
// drag of the large preview onto a slot preview), deleting it, Restore, the folder button.
#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "support/WindowFixture.h"
#include "ui/ImageBox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Box = ScriptedDesktop::Box;

namespace {
const QString Folder = QStringLiteral("C:\\Logos\\"); // the Startup folder; Shutdown's is missing
const QString Showed = Folder + "Showed", Used = Showed + "\\";
const QString Targets[] = {"C:\\LOGO.SYS", "C:\\WINDOWS\\LOGOW.SYS", "C:\\WINDOWS\\LOGOS.SYS"};
const char *const Previews[] = {"imgStartup", "imgWait", "imgShutdown"};
const QString Phrases[] = {"下次開機", "待會等待關機", "待會關機"};
} // namespace

class TestApply : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    void start()
    {
        f->injectFaults();
        f->writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\nShutdown_Path=C:\\Gone\\\n");
        QCOMPARE(f->start(), -1);
    }
    int attributes(const QString &path)
    {
        int a = -1;
        return f->tmp.files().getAttr(path, a) == rt::Ok ? a : -1;
    }
    ImageBox *preview(const char *name) { return f->find<ImageBox>(name); }
    // From the list: a move to where the pointer already is (the last window's place) is lost.
    bool dragTo(int slot)
    {
        QTest::mouseMove(f->listViewport());
        return f->dragPreviewTo(LogoSlot(slot));
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    // b.bmp of the shown Startup folder C:\Logos\ is double-clicked or its large preview dragged
    // onto a slot preview. An empty prompt: the logo was applied; else nothing changed. "fresh":
    // no system file and no Showed, else an old system file; "replaced": an earlier copy in
    // Showed too; refused: b.bmp is the slot's system file itself (as the disk spells it), no
    // entry is chosen, b.bmp was removed behind the tool's back or is left over after a switch
    // to the Shutdown tab, whose folder is missing; or a file call fails.
    void apply_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("dragged"); // else double-clicked
        QTest::addColumn<QString>("prompt");
        const QString self = " 不需要再更換成本身!!", missing = "在目前的目錄中找不到 b.bmp，請重新整理清單後再試!!";
        const QString noCopy = "無法將 b.bmp 備份到 Showed 目錄，原本的畫面沒有改變。";
        QTest::newRow("double-clicked, nothing there") << "fresh" << 0 << false << "";
        QTest::newRow("double-clicked, earlier copy replaced") << "replaced" << 0 << false << "";
        QTest::newRow("dragged onto Startup") << "replaced" << 0 << true << "";
        QTest::newRow("dragged onto Wait") << "fresh" << 1 << true << "";
        QTest::newRow("dragged onto Shutdown") << "old" << 2 << true << "";
        QTest::newRow("attributes refused") << "setAttr" << 0 << false << ""; // not hidden
        QTest::newRow("LOGO.SYS itself") << Targets[0] << 0 << false << Targets[0] + self;
        QTest::newRow("logo.sys itself") << "C:\\logo.sys" << 0 << false << Targets[0] + self;
        QTest::newRow("LOGOW.SYS itself") << Targets[1] << 1 << true << "LOGOW.SYS" + self;
        QTest::newRow("no entry") << "none" << 1 << true << "請先在清單中點選要更換的LOGO!!";
        QTest::newRow("removed") << "removed" << 0 << false << missing;
        QTest::newRow("left over") << "left over" << 2 << true << missing;
        QTest::newRow("create Showed fails") << "createFolder" << 0 << false << noCopy;
        QTest::newRow("copy fails") << "copyFile" << 0 << false << noCopy;
        QTest::newRow("replace fails") << "replaceFile" << 0 << false
                                       << "無法更換 C:\\LOGO.SYS，原本的畫面沒有改變。";
    }
    void apply()
    {
        QFETCH(QString, how);
        QFETCH(int, slot);
        QFETCH(bool, dragged);
        QFETCH(QString, prompt);
        const bool self = how.startsWith("C:");
        const QString chosen = self ? how : Folder + "b.bmp";
        const qsizetype cut = chosen.lastIndexOf(u'\\') + 1;
        QVERIFY(f->writeLogos(Folder, {"a.bmp", "b.bmp", "c.bmp"}));
        QVERIFY(how == "replaced" || f->tmp.setReadOnly(Folder + "b.bmp", true));
        QVERIFY(how == "fresh" || f->writeLogo(self ? how : Targets[slot], 5));
        QVERIFY(how != "replaced" || f->tmp.writeFile(Used + "b.bmp", "old"));
        const QByteArray logo = f->tmp.readFile(Folder + "b.bmp");
        const QByteArray old = f->tmp.readFile(Targets[slot]);
        start();
        f->typePath(chosen.left(cut)); // C:\Logos\ again, or the system file's folder
        QVERIFY(f->waitForScan());
        const int row = int(f->entries().indexOf(chosen.mid(cut)));
        if (how == "none") // Ctrl+Space leaves no entry chosen
            QTest::keyClick(f->listViewport(), Qt::Key_Space, Qt::ControlModifier);
        else
            f->clickRow(row);
        if (how == "removed")
            QVERIFY(QFile::remove(f->tmp.host(chosen)) &&
                    f->writeLogo(Used + "b.bmp", 3)); // not a source either
        if (how == "left over") {
            f->clickTab(LogoSlot::Shutdown); // the path is missing: the list keeps the entries
            QCOMPARE(f->takeBoxTitles(), QStringList{"路徑錯誤"});
        }
        f->faults->failEveryCallOf(how, rt::PermissionDenied); // rows that name a file call
        const QStringList entries = f->entries();
        const QImage picture = preview("imgOutput")->picture();
        const QImage shown = preview(Previews[slot])->picture();
        auto *restore = f->find<QPushButton>("cmdRestore");
        QCOMPARE(restore->isEnabled(), how == "replaced");

        if (dragged)
            QVERIFY(dragTo(slot));
        else
            f->doubleClickRow(row);

        if (prompt.isEmpty()) {
            const Box box{Phrases[slot] + "的畫面為==>b.bmp", mb::Information, "更換成功"};
            QCOMPARE(f->desktop.boxes, QList<Box>{box});
            QCOMPARE(f->tmp.readFile(Targets[slot]), logo);
            QCOMPARE(attributes(Targets[slot]), how == "setAttr" ? attr::ReadOnly : attr::Hidden);
            QCOMPARE(f->tmp.readFile(Used + "b.bmp"), logo);
            QCOMPARE(attributes(Used + "b.bmp"), how == "replaced" ? 0 : attr::ReadOnly);
            QVERIFY(!f->tmp.exists(Folder + "b.bmp"));
            QCOMPARE(f->entries(), (QStringList{"a.bmp", "c.bmp"}));
            QCOMPARE(preview("imgOutput")->toolTip(), QStringLiteral("a.bmp")); // the first
            QVERIFY(restore->isEnabled());
            QCOMPARE(preview(Previews[slot])->picture(), picture);
            return;
        }
        const int style = self || how == "none" ? mb::Information : mb::Critical;
        QCOMPARE(f->desktop.boxes, (QList<Box>{{prompt, style, "更換失敗"}}));
        QCOMPARE(f->tmp.readFile(Targets[slot]), old);
        QCOMPARE(attributes(Targets[slot]), 0);
        QCOMPARE(preview(Previews[slot])->picture(), shown);
        QCOMPARE(f->tmp.readFile(Folder + "b.bmp"), how == "removed" ? QByteArray() : logo);
        QCOMPARE(attributes(Folder + "b.bmp"), how == "removed" ? -1 : attr::ReadOnly);
        QCOMPARE(f->tmp.exists(chosen.left(cut) + "Showed"), how == "removed");
        QVERIFY(!f->tmp.exists("C:\\Gone"));
        QCOMPARE(f->entries(), entries);
        QVERIFY(!restore->isEnabled());
        QCOMPARE(f->faults->callsOf("deleteFile"), how == "replaceFile" ? 1 : 0); // the new copy
    }

    void lastEntryLeavesNothingToDrag()
    {
        QVERIFY(f->writeLogos(Folder, {"only.bmp"}));
        start();
        f->clickRow(0); // ends the button press a double-click of Qt 6.4's QTest leaves behind
        QTest::mouseMove(preview("imgOutput"));
        QVERIFY(preview("imgOutput")->autoDrag());
        f->doubleClickRow(0);
        const Box box{"下次開機的畫面為==>only.bmp", mb::Information, "更換成功"};
        QCOMPARE(f->desktop.boxes, QList<Box>{box});
        QVERIFY(f->entries().isEmpty());
        QVERIFY(!dragTo(1)); // the large preview is empty
    }

    // Deleting b.bmp, from the Edit menu by its access keys or from the right-click menu.
    void deletes_data()
    {
        QTest::addColumn<QString>("setup"); // "no" answers No; else b.bmp is deleted
        QTest::addColumn<bool>("rightClick");
        for (const char *setup : {"no", "yes", "read-only", "gone once chosen", "refused", "last"})
            QTest::newRow(setup) << QString(setup) << false;
        QTest::newRow("yes, right-click") << "yes" << true;
    }
    void deletes()
    {
        QFETCH(QString, setup);
        QFETCH(bool, rightClick);
        QStringList names = setup == "last" ? QStringList{"b.bmp"}
                                            : QStringList{"a.bmp", "b.bmp", "c.bmp"};
        QVERIFY(f->writeLogos(Folder, names));
        start();
        const int row = int(names.indexOf("b.bmp"));
        const bool deleted = setup != "no" && setup != "refused";
        if (deleted)
            names.removeOne("b.bmp");
        if (!rightClick)
            f->clickRow(row);
        QVERIFY(f->tmp.setReadOnly(Folder + "b.bmp", setup == "read-only"));
        QVERIFY(setup != "gone once chosen" || QFile::remove(f->tmp.host(Folder + "b.bmp")));
        if (setup == "refused") // a file in use, a write-protected disk
            f->faults->failEveryCallOf("deleteFile", rt::PermissionDenied);
        QSignalSpy scans(&f->w(), &MainWindow::scanFinished);

        f->desktop.answer(setup == "no" ? mb::AnswerNo : mb::AnswerYes);
        if (rightClick) {
            f->clickRow(row, Qt::RightButton);
            QTRY_VERIFY(f->find<QMenu>("mnuEdit")->isVisible());
            QTest::keyClick(f->find<QMenu>("mnuEdit"), Qt::Key_D);
        } else {
            f->chooseMenu('E', 'D');
        }
        QVERIFY(f->waitForScan());

        QList<Box> boxes{{"確定要將 'b.bmp' 刪除嗎？", mb::InfoYesNo, "確認刪除檔案"}};
        if (setup == "refused")
            boxes.append({"無法刪除 b.bmp: 存取被拒絕。\r\n\r\n請確定磁碟仍有可用空間且不是寫入保護，"
                          "\r\n以及該檔案目前不是使用中。", mb::Critical, "刪除檔案發生錯誤"});
        QCOMPARE(f->desktop.boxes, boxes);
        QCOMPARE(f->entries(), names);
        QCOMPARE(f->tmp.exists(Folder + "b.bmp"), !deleted);
        QCOMPARE(scans.size(), deleted ? 1 : 0);
        QCOMPARE(f->find<QAction>("mnuDelete")->isEnabled(), !names.isEmpty());
    }

    // Restore brings the used logos back from Showed, which may hold a 2,000-byte "note" or a
    // "sub"folder, be read-only ("ro"), a "file" or missing ("none"); what cannot come back stays.
    void restore_data()
    {
        QTest::addColumn<QString>("showed");
        QTest::addColumn<QStringList>("used");
        QTest::addColumn<QStringList>("left"); // what stays in Showed
        QTest::addColumn<bool>("remains");
        const QStringList none, a{"a.bmp"}, bc{"b.bmp", "c.bmp"}, bcd{"b.bmp", "c.bmp", "d.bmp"};
        QTest::newRow("three logos come back") << "" << bcd << none << false;
        QTest::newRow("name already in the folder") << "" << a << a << true;
        QTest::newRow("a 2,000-byte file stays") << "note" << bc << QStringList{"note.txt"} << true;
        QTest::newRow("subfolder, no files") << "sub" << none << none << true;
        QTest::newRow("empty") << "" << none << none << false;
        QTest::newRow("empty, read-only") << "ro" << none << none << true;
        QTest::newRow("no Showed") << "none" << none << none << false;
        QTest::newRow("Showed is a file") << "file" << none << none << true;
    }
    void restore()
    {
        QFETCH(QString, showed);
        QFETCH(QStringList, used);
        QFETCH(QStringList, left);
        QFETCH(bool, remains);
        QVERIFY(f->writeLogos(Folder, {"a.bmp", "k.bmp"}));
        if (showed == "file")
            QVERIFY(f->tmp.writeFile(Showed, "not a folder"));
        else if (showed != "none")
            QVERIFY(f->tmp.makeFolder(Showed));
        QVERIFY(showed != "note" || f->tmp.writeFileOfSize(Used + "note.txt", 2000));
        QVERIFY(showed != "sub" || f->tmp.makeFolder(Used + "old"));
        QList<QByteArray> bytes; // the used logos, each unlike the folder's own files
        for (int i = 0; i < used.size(); ++i) {
            QVERIFY(f->writeLogo(Used + used[i], 50 + i));
            bytes.append(f->tmp.readFile(Used + used[i]));
        }
        const QByteArray ownA = f->tmp.readFile(Folder + "a.bmp");
        QVERIFY(showed != "ro" || f->tmp.setReadOnly(Showed, true));
        start();
        auto *button = f->find<QPushButton>("cmdRestore");
        QCOMPARE(button->isEnabled(), showed != "none");

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(f->waitForScan());

        QVERIFY(f->desktop.boxes.isEmpty());
        QStringList entries = QStringList{"a.bmp", "k.bmp"} + used;
        entries.removeDuplicates();
        entries.sort();
        QCOMPARE(f->entries(), entries);
        QCOMPARE(f->tmp.exists(Showed), remains);
        QCOMPARE(button->isEnabled(), remains);
        QCOMPARE(QDir(f->tmp.host(Showed)).entryList(QDir::Files), left);
        QCOMPARE(f->tmp.exists(Used + "old"), showed == "sub");
        for (int i = 0; i < used.size(); ++i) // one that stays is still in Showed as it was
            QCOMPARE(f->tmp.readFile((left.contains(used[i]) ? Used : Folder) + used[i]), bytes[i]);
        QCOMPARE(f->tmp.readFile(Folder + "a.bmp"), ownA);
    }

    // The picked folder is scanned and becomes the Startup folder, which closing the window
    // offers to save; a cancel, or a path too long for the path buffer, changes nothing.
    void chooseFolder_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("cancelled") << "" << Folder << QStringList{"c.bmp"};
        QTest::newRow("folder") << "D:\\Logos" << "D:\\Logos\\" << QStringList{"d1.bmp", "d2.bmp"};
        QTest::newRow("too long for the path buffer") << "D:\\" + QString(257, 'x') << Folder
                                                      << QStringList{"c.bmp"};
    }
    void chooseFolder()
    {
        QFETCH(QString, picked);
        QFETCH(QString, folder);
        QFETCH(QStringList, entries);
        QVERIFY(!f->tmp.addDrive('d').isEmpty() && f->writeLogos(Folder, {"c.bmp"}) &&
                f->writeLogos("D:\\Logos\\", {"d1.bmp", "d2.bmp"}));
        start();
        f->desktop.pickFolder(picked);
        QTest::mouseClick(f->find<QPushButton>("cmdBrowser"), Qt::LeftButton);
        QVERIFY(f->waitForScan());
        QCOMPARE(f->desktop.folderPrompts, QStringList{"請選擇放置LOGO的資料夾"});
        QCOMPARE(f->desktop.folderOwners, QList<QWidget *>{&f->w()});
        const bool scanned = folder != Folder;
        QCOMPARE(f->find<QLineEdit>("txtPath")->text(), scanned ? picked : folder);
        QCOMPARE(f->entries(), entries);

        f->desktop.answer(mb::AnswerYes); // to saving the changed folder
        QTest::keyClick(f->listViewport(), Qt::Key_X, Qt::ControlModifier); // closes the window
        QTRY_VERIFY(!f->w().isVisible());
        QCOMPARE(f->takeBoxTitles(), scanned ? QStringList{"Bootgallery"} : QStringList());
        QVERIFY(f->settingsBytes().contains(("Start_Path=" + folder).toLatin1()));
    }
};

QTEST_MAIN(TestApply)
#include "tst_apply.moc"
