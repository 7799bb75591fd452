// The window's file actions through real input: applying the chosen logo (double-click, or a
// drag of the large preview onto a slot preview), deleting it, Restore, the folder button,
// renaming a logo in the box over its row, and pictures dropped on the list from a file manager.
#include "core/BootScreen.h"
#include "core/LogoTests.h"
#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/ImageBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QSemaphore>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <atomic>

using namespace bg;
using namespace bg::test;
using Box = ScriptedDesktop::Box;
using Boxes = QList<Box>;

namespace {
const QString Folder = QStringLiteral("C:\\Logos\\"); // the Startup folder; Shutdown's is missing
const QString Showed = Folder + "Showed", Used = Showed + "\\";
const QString Targets[] = {"C:\\LOGO.SYS", "C:\\WINDOWS\\LOGOW.SYS", "C:\\WINDOWS\\LOGOS.SYS"};
const char *const Previews[] = {"imgStartup", "imgWait", "imgShutdown"};
const QString Phrases[] = {"下次開機", "待會等待關機", "待會關機"};
const QString WaitFolder = QStringLiteral("C:\\Wait\\"), In = QStringLiteral("C:\\In\\");
const QStringList Three{"a.bmp", "b.bmp", "c.bmp"}, Renamed{"a.bmp", "c.bmp", "z.bmp"};
const QString Cannot = QStringLiteral("無法重新命名 b.bmp: "), Title = QStringLiteral("更換檔名發生錯誤");
const Box Exists{Cannot + "您指定名稱的檔案已經存在。請指定其它檔案。", 16, Title},
    MoveFailed{Cannot + "磁碟為寫入保護。\r\n\r\n請移除寫入保護的狀態或改用其它磁碟。", 16, Title};

// An edit of b.bmp: the name typed, pasted or composed (an input method's commit); the end:
// enter, escape, ctrl+x or a click (list, path, tab); then C:\Logos\ and the boxes shown.
struct Edit { QString how, text, end; QStringList files; Boxes boxes = {}; };

// The names in C:\Logos\ (the Startup folder) and a b.bmp in C:\Wait\ (the Wait folder).
void openForRename(WindowFixture &f, const QStringList &names = Three)
{
    f.writeSettings("[SplashwheelSet]\nStart_Path=" + Folder + "\nWait_Path=" + WaitFolder + "\n");
    QVERIFY(f.writeLogos(Folder, names) && f.writeLogos(WaitFolder, {"b.bmp"}));
    QCOMPARE(f.start(), -1);
}
const Box Denied{"沒有檔案的使用權限。", 16, "加入失敗"}, NotFound{"找不到來源檔案。", 16, "加入失敗"},
    ReplaceB{"'b.bmp' 檔案已經存在，是否要覆蓋此檔？", 292, "確認取代檔案"};
const QStringList AB{"a.bmp", "b.bmp"}, B{"b.bmp"};

// The files dropped (Windows paths, or host paths from /), the answer whether to replace b.bmp,
// the error of every copy (-1: b.bmp is read-only); the boxes, C:\Logos\ and the entries then;
// the pictures offered for conversion and the answer to that offer.
struct Drop
{
    QStringList dropped; int answer, copyError; Boxes boxes; QStringList files, listed; bool duringScan = false;
    QStringList offered = {}; std::optional<ConversionChoice> conversion = {};
};

// C:\Logos\ lists b.bmp; a.bmp, b.bmp, c.bmp and files that are no logos wait in C:\In\.
void openForDrop(WindowFixture &f)
{
    f.writeSettings("[SplashwheelSet]\nStart_Path=" + Folder + "\n");
    QVERIFY(f.writeLogos(Folder, {"b.bmp"}) && f.writeLogos(In, Three));
    QVERIFY(f.tmp.writeFile(In + "deep.bmp", pictures::bmp(QSize(320, 400), 24)) &&
            f.tmp.writeFile(In + "small.bmp", pictures::bmp(QSize(100, 80), 8)) &&
            f.tmp.writeFile(In + "b.png", pictures::png(QSize(64, 48))));
    QVERIFY(f.tmp.writeFileOfSize(In + "text.txt", 129078) && f.tmp.makeFolder(In + "dir.bmp"));
    QCOMPARE(f.start(), -1);
}
} // namespace
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Drop)
Q_DECLARE_METATYPE(std::optional<bg::ConversionChoice>)

class TestLogoActions : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    void start()
    {
        f->injectFaults();
        f->writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\nShutdown_Path=C:\\Gone\\\n");
        QCOMPARE(f->start(), -1);
    }
    int attributes(const QString &path) { int a = -1; return f->tmp.files().getAttr(path, a) == rt::Ok ? a : -1; }
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

    // b.bmp of the shown Startup folder C:\Logos\ is double-clicked or its large preview dragged onto a
    // slot preview. An empty prompt: applied; else nothing changed. "fresh": no system file and no
    // Showed, else an old system file; "replaced": an earlier copy in Showed too; "last": the only
    // entry (then the empty large preview has nothing to drag). Refused: b.bmp is the slot's system
    // file itself (as the disk spells it), no entry is chosen, b.bmp was removed behind the tool's
    // back or is left over after a switch to the Shutdown tab (its folder is missing), a call fails.
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
        QTest::newRow("double-clicked, the last entry") << "last" << 0 << false << "";
        QTest::newRow("dragged onto Startup") << "replaced" << 0 << true << "";
        QTest::newRow("dragged onto Wait") << "fresh" << 1 << true << "";
        QTest::newRow("dragged onto Shutdown") << "old" << 2 << true << "";
        QTest::newRow("attributes refused") << "setAttr" << 0 << false << ""; // not hidden
        QTest::newRow("LOGO.SYS itself") << Targets[0] << 0 << false << Targets[0] + self;
        QTest::newRow("LOGOW.SYS itself") << Targets[1] << 1 << true << "LOGOW.SYS" + self;
        QTest::newRow("no entry") << "none" << 1 << true << "請先在清單中點選要更換的LOGO!!";
        QTest::newRow("removed") << "removed" << 0 << false << missing;
        QTest::newRow("left over") << "left over" << 2 << true << missing;
        QTest::newRow("create Showed fails") << "createFolder" << 0 << false << noCopy;
        QTest::newRow("copy fails") << "copyFile" << 0 << false << noCopy;
        QTest::newRow("replace fails") << "replaceFile" << 0 << false << "無法更換 C:\\LOGO.SYS，原本的畫面沒有改變。";
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
        const QStringList others = how == "last" ? QStringList() : QStringList{"a.bmp", "c.bmp"};
        QVERIFY(f->writeLogos(Folder, others + QStringList{"b.bmp"}));
        QVERIFY(how == "replaced" || f->tmp.setReadOnly(Folder + "b.bmp", true));
        QVERIFY(how == "fresh" || f->writeLogo(self ? how : Targets[slot], 5));
        QVERIFY(how != "replaced" || f->tmp.writeFile(Used + "b.bmp", "old"));
        for (const char *original : {"LOGO", "LOGOW", "LOGOS"}) // Windows' own logos are kept already
            QVERIFY(f->tmp.writeFile(QStringLiteral("C:\\WINDOWS\\Bootgallery\\%1.NONE").arg(original), ""));
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
            QCOMPARE(f->entries(), others);
            QVERIFY(restore->isEnabled());
            QCOMPARE(preview(Previews[slot])->picture(), picture);
            if (others.isEmpty())
                QVERIFY(!dragTo(1));
            else
                QCOMPARE(preview("imgOutput")->toolTip(), QStringLiteral("a.bmp")); // the first
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

    // Windows' own LOGO.SYS, kept at the first apply, comes back byte for byte from the Startup
    // slot preview's right-click menu after two applies; the item is off until something is kept.
    void originalBackFromSlotMenu()
    {
        QVERIFY(f->writeLogos(Folder, {"a.bmp", "b.bmp"}) && f->writeLogo(Targets[0], 5));
        const QByteArray original = f->tmp.readFile(Targets[0]);
        start();
        const QImage shown = preview("imgStartup")->picture();
        const auto openMenu = [&] {
            QTest::mouseClick(f->find("imgStartup"), Qt::RightButton, {}, QPoint(5, 5));
            return f->find<QMenu>("mnuSlot");
        };
        QVERIFY(openMenu()->isVisible() && !f->find<QAction>("mnuSlotRestoreOriginal")->isEnabled());
        f->find<QMenu>("mnuSlot")->hide();
        for (int apply = 0; apply < 2; ++apply)
            f->doubleClickRow(0);
        QVERIFY(f->tmp.readFile(Targets[0]) == f->tmp.readFile(Used + "b.bmp") && f->entries().isEmpty());
        f->desktop.clear();
        QTest::keyClick(openMenu(), Qt::Key_O);
        QCOMPARE(f->desktop.boxes, (QList<Box>{{"已還原 C:\\LOGO.SYS 的原始畫面。", mb::Information, "還原原始畫面"}}));
        QCOMPARE(f->tmp.readFile(Targets[0]), original);
        QCOMPARE(attributes(Targets[0]), attr::Hidden);
        QCOMPARE(preview("imgStartup")->picture(), shown);
    }

    // A chosen entry that passes as a logo but is a JPEG, which the boot screen cannot show, is
    // offered for conversion when applied: the logo made of it becomes LOGO.SYS and the JPEG goes
    // to Showed. Declined, nothing changes; a failed write changes nothing either.
    void applyConverted_data()
    {
        QTest::addColumn<std::optional<ConversionChoice>>("choice");
        QTest::addColumn<int>("writeError");
        QTest::newRow("converted with the band") << std::optional(ConversionChoice{false, true}) << 0;
        QTest::newRow("declined") << std::optional<ConversionChoice>() << 0;
        QTest::newRow("disk full") << std::optional(ConversionChoice{}) << rt::DiskFull;
    }
    void applyConverted()
    {
        QFETCH(std::optional<ConversionChoice>, choice);
        QFETCH(int, writeError);
        const QByteArray jpeg = pictures::jpeg(QSize(320, 400), false,
                                               129500 - int(pictures::jpeg(QSize(320, 400)).size()));
        QVERIFY(QByteArray::number(jpeg.size()).startsWith("129"));
        QVERIFY(f->writeLogos(Folder, {"a.bmp"}) && f->tmp.writeFile(Folder + "photo.jpg", jpeg));
        for (const char *original : {"LOGO", "LOGOW", "LOGOS"})
            QVERIFY(f->tmp.writeFile(QStringLiteral("C:\\WINDOWS\\Bootgallery\\%1.NONE").arg(original), ""));
        start();
        QCOMPARE(f->entries(), (QStringList{"a.bmp", "photo.jpg"}));
        f->faults->failEveryCallOf("writeFileAtomic", writeError);
        f->desktop.chooseConversion(choice);
        f->doubleClickRow(1);
        QCOMPARE(f->desktop.offers.size(), 1);
        QCOMPARE(f->desktop.offers[0].prompt,
                 "'photo.jpg' 不是 Windows 開機時能顯示的點陣圖，直接更換的話 C:\\LOGO.SYS 將無法顯示。"
                 "要把它轉換成開機畫面再更換嗎？原本的圖片會移到 Showed 資料夾。");
        const bool applied = choice && !writeError;
        if (choice)
            QTRY_VERIFY_WITH_TIMEOUT(!f->desktop.boxes.isEmpty(), 30000); // a sanitizer's build converts slowly
        QTRY_VERIFY(!QApplication::activeModalWidget()); // the progress window has gone
        const auto bitmap = LogoBitmap::parse(f->tmp.readFile(Targets[0]));
        QCOMPARE(bool(bitmap), applied);
        QCOMPARE(f->tmp.readFile(Used + "photo.jpg"), applied ? jpeg : QByteArray());
        QCOMPARE(f->tmp.exists(Showed), applied);
        QCOMPARE(f->tmp.readFile(Folder + "photo.jpg"), applied ? QByteArray() : jpeg);
        QCOMPARE(f->entries(), applied ? QStringList{"a.bmp"} : (QStringList{"a.bmp", "photo.jpg"}));
        if (!choice)
            QVERIFY(f->desktop.boxes.isEmpty());
        else if (applied) {
            QCOMPARE(f->desktop.boxes, (Boxes{{Phrases[0] + "的畫面為==>photo.jpg", mb::Information, "更換成功"}}));
            QCOMPARE(bitmap->firstAnimated, 236u);
            QVERIFY(LogoTester(f->tmp.files(), f->pictures).IsLogoFile(Targets[0])); // the tool's own test
            QCOMPARE(f->tmp.readFile(Targets[0]).size(), 129078);
            QCOMPARE(attributes(Targets[0]), attr::Hidden);
            QVERIFY(!preview("imgStartup")->picture().isNull());
        } else {
            QCOMPARE(f->desktop.boxes.size(), 1);
            QVERIFY(f->desktop.boxes[0].prompt.startsWith("無法更換 C:\\LOGO.SYS，原本的畫面沒有改變。"));
        }
    }

    // Links and other names of one file. b.bmp of C:\Logos\ is a link to a read-only file
    // outside the machine; the shown folder is the Windows folder by a link, by slashes or spelled
    // in lower case on the disk; or C:\Logos\Showed leads outside. Nothing outside changes and
    // no system file becomes a link.
    void applyThroughLinks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("shown"); // the folder typed; its entry b.bmp or LOGOW.SYS is applied
        QTest::addColumn<QString>("prompt"); // empty: applied
        const QString self = "LOGOW.SYS 不需要再更換成本身!!";
        QTest::newRow("logo is a link") << "link" << Folder << "";
        QTest::newRow("Windows folder by a link") << "alias" << "C:\\Alias\\" << self;
        QTest::newRow("Windows folder typed with slashes") << "" << "C:/WINDOWS/" << self;
        QTest::newRow("windows in lower case") << "lower" << "C:\\windows\\" << self;
        QTest::newRow("Showed leads outside") << "showed" << Folder
            << "Showed 目錄是指向別處的連結，為了不更動別處的檔案，程式不會寫入或搬動其中的檔案。\n原本的畫面沒有改變。";
    }
    void applyThroughLinks()
    {
        QFETCH(QString, how);
        QFETCH(QString, shown);
        QFETCH(QString, prompt);
        const QString outside = f->tmp.baseDir() + "/outside";
        QVERIFY(QDir().mkpath(outside + "/showed") && f->writeLogos(Folder, {"a.bmp", "b.bmp"}));
        QVERIFY(f->writeLogo(Targets[0], 5) && f->writeLogo(Targets[1], 6));
        const QString real = outside + "/real.bmp", logoB = f->tmp.host(Folder + "b.bmp");
        QVERIFY(QFile::rename(logoB, real) && QFile::setPermissions(real, QFile::ReadOwner));
        QVERIFY(how != "link" ? QFile::rename(real, logoB) : QFile::link(real, logoB));
        QVERIFY(how != "alias" || QFile::link(f->tmp.host("C:\\WINDOWS"), f->tmp.driveC() + "/Alias"));
        QVERIFY(how != "lower" || QDir(f->tmp.driveC()).rename("WINDOWS", "windows"));
        QVERIFY(how != "showed" || QFile::link(outside + "/showed", f->tmp.host(Folder) + "/Showed"));
        const QByteArray logo = f->tmp.readFile(Folder + "b.bmp");
        const int slot = prompt.isEmpty() || how == "showed" ? 0 : 1;
        const QByteArray old = f->tmp.readFile(Targets[slot]);
        start();
        f->typePath(shown);
        QVERIFY(f->waitForScan());
        const int row = int(f->entries().indexOf(slot ? "LOGOW.SYS" : "b.bmp"));
        QVERIFY(row >= 0);
        f->clickRow(row);
        if (slot)
            QVERIFY(dragTo(slot));
        else
            f->doubleClickRow(row);

        const bool applied = prompt.isEmpty();
        const Box box = applied ? Box{Phrases[0] + "的畫面為==>b.bmp", mb::Information, "更換成功"}
                                : Box{prompt, how == "showed" ? mb::Critical : mb::Information, "更換失敗"};
        QCOMPARE(f->desktop.boxes, QList<Box>{box});
        // What the links lead to is as it was (the link-safety test compares all of it).
        QVERIFY(how != "link" || attr::read(real) == attr::ReadOnly);
        QVERIFY(QDir(outside + "/showed").isEmpty());
        const QString windows = how == "lower" ? "C:\\windows\\" : "C:\\WINDOWS\\";
        for (const QString &target : {Targets[0], windows + "LOGOW.SYS"})
            QVERIFY(!QFileInfo(f->tmp.host(target)).isSymLink());
        QCOMPARE(f->tmp.readFile(slot ? windows + "LOGOW.SYS" : Targets[0]), applied ? logo : old);
        QCOMPARE(f->tmp.exists(Folder + "b.bmp"), !applied);
        QCOMPARE(f->tmp.readFile(Used + "b.bmp"), applied ? logo : QByteArray());
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
        QStringList names = setup == "last" ? QStringList{"b.bmp"} : Three;
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
        QTest::addColumn<QStringList>("left"); // what stays in Showed, which then remains
        const QStringList none, a{"a.bmp"}, bc{"b.bmp", "c.bmp"}, bcd{"b.bmp", "c.bmp", "d.bmp"};
        QTest::newRow("three logos come back") << "" << bcd << none;
        QTest::newRow("name already in the folder") << "" << a << a;
        QTest::newRow("a 2,000-byte file stays") << "note" << bc << QStringList{"note.txt"};
        QTest::newRow("subfolder, no files") << "sub" << none << none;
        QTest::newRow("empty") << "" << none << none;
        QTest::newRow("empty, read-only") << "ro" << none << none;
        QTest::newRow("no Showed") << "none" << none << none;
        QTest::newRow("Showed is a file") << "file" << none << none;
    }
    void restore()
    {
        QFETCH(QString, showed);
        QFETCH(QStringList, used);
        QFETCH(QStringList, left);
        const bool remains = !left.isEmpty() || (!showed.isEmpty() && showed != "none");
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

    void edit_data()
    {
        QTest::addColumn<Edit>("e");
        QTest::newRow("enter") << Edit{"type", "z.bmp", "enter", Renamed};
        QTest::newRow("click on the list") << Edit{"type", "z.bmp", "list", Renamed};
        QTest::newRow("paste") << Edit{"paste", "z.bmp", "enter", Renamed};
        QTest::newRow("input method") << Edit{"compose", "新名.bmp", "path", {"a.bmp", "c.bmp", "新名.bmp"}};
        // Renamed in the folder the edit began in; the Wait folder's b.bmp stays.
        QTest::newRow("other slot's tab") << Edit{"type", "z.bmp", "tab", Renamed};
        QTest::newRow("escape") << Edit{"type", "z.bmp", "escape", Three};
        QTest::newRow("ctrl+x closes") << Edit{"type", "z.bmp", "ctrl+x", Three};
        QTest::newRow("nothing typed") << Edit{"type", "", "enter", Three};
        QTest::newRow("letter case only") << Edit{"type", "B.BMP", "enter", Three};
        QTest::newRow("empty") << Edit{"type", "\b", "enter", Three, {{"您必須輸入檔名!!", 16, "重新命名"}}};
        QTest::newRow("existing") << Edit{"type", "C.BMP", "enter", Three, {Exists}};
        QTest::newRow("move fails") << Edit{"type", "y.bmp", "enter", Three, {MoveFailed}};
        // The temporary files' names are reserved: such a file would vanish from the list.
        QTest::newRow("temporary-file name") << Edit{"type", ".~BGdead.tmp", "enter", Three,
            {{Cannot + "以「.~bg」開頭的名稱保留給程式的暫存檔，請改用其它名稱。", 16, Title}}};
        for (const char *name : {"a*b.bmp", "x:y.bmp", "..\\up.bmp", "sub/x.bmp", "..", ".", "z.bmp.", "con.bmp"})
            QTest::newRow(name) << Edit{"type", name, "enter", Three, {MoveFailed}};
    }
    void edit()
    {
        QTest::failOnWarning(QRegularExpression("."));
        QFETCH(Edit, e);
        if (e.text == "y.bmp")
            f->injectFaults().failEveryCallOf("moveFile", 70);
        openForRename(*f);
        const QByteArray content = f->tmp.readFile(Folder + "b.bmp");
        const QString clip = e.how == "paste" ? e.text : QStringLiteral("kept");
        QApplication::clipboard()->setText(clip);
        QSignalSpy scans(&f->w(), &MainWindow::scanFinished);
        f->clickRow(1);
        QTest::keyClick(f->find("lstSys"), Qt::Key_F2);
        auto *box = f->find<QLineEdit>("txtRename");
        QVERIFY(box && box->isVisible() && box->hasFocus() && box->selectedText() == "b.bmp");
        QInputMethodEvent commit;
        commit.setCommitString(e.text);
        if (e.how == "paste")
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        else if (e.how == "compose")
            QApplication::sendEvent(box, &commit);
        else
            QTest::keyClicks(box, e.text);
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier); // all selected: a cut would take it

        QWidget *viewport = f->listViewport();
        if (e.end == "enter" || e.end == "escape")
            QTest::keyClick(box, e.end == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        else if (e.end == "ctrl+x")
            QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        else if (e.end == "tab")
            f->clickTab(LogoSlot::Wait);
        else if (e.end == "list") // below the entries
            QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 3));
        else
            QTest::mouseClick(f->find("txtPath"), Qt::LeftButton);
        QTRY_VERIFY(!f->find<QLineEdit>("txtRename"));
        QTRY_COMPARE(scans.size(), e.files == Three ? 0 : 1); // a rename re-scans, once
        QCOMPARE(f->w().isVisible(), e.end != "ctrl+x");
        QCOMPARE(f->desktop.boxes, e.boxes);
        QCOMPARE(QDir(f->tmp.host(Folder)).entryList(QDir::Files), e.files);
        QCOMPARE(QDir(f->tmp.host(WaitFolder)).entryList(QDir::Files), QStringList{"b.bmp"});
        QCOMPARE(f->entries(), e.end == "tab" ? QStringList{"b.bmp"} : e.files);
        QCOMPARE(f->tmp.readFile(Folder + e.files[e.files == Three ? 1 : 2]), content);
        QCOMPARE(QApplication::clipboard()->text(), clip); // Ctrl+X does not cut
    }

    // What is no list of local files is refused when it comes over the list and when dropped.
    void refusedData()
    {
        openForDrop(*f);
        for (const QList<QUrl> &urls : {QList<QUrl>{}, {QUrl("https://example.com/a.bmp")},
                                        {QUrl("file://server.example/a.bmp")}}) {
            QMimeData data;
            data.setText(f->tmp.host(In + "a.bmp"));
            data.setUrls(urls);
            const QPoint at = f->listViewport()->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(f->listViewport(), &enter);
            QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(f->listViewport(), &drop);
            QVERIFY(!enter.isAccepted() && !drop.isAccepted());
        }
        QVERIFY(f->desktop.boxes.isEmpty() && !f->tmp.exists(Folder + "a.bmp"));
    }

    void drop_data()
    {
        QTest::addColumn<Drop>("d");
        const QStringList three{In + "a.bmp", In + "b.bmp", In + "c.bmp"};
        QTest::newRow("keep the existing") << Drop{three, mb::AnswerNo, 0, {ReplaceB}, Three, Three};
        QTest::newRow("replace it") << Drop{three, mb::AnswerYes, 0, {ReplaceB}, Three, Three};
        // Pictures that are no logos are offered for conversion, all at once; declined, they are
        // passed over without a word, as are other files, a folder and the folder's own file.
        const QStringList noLogos{In + "deep.bmp", In + "small.bmp", In + "text.txt", "c:\\logos\\B.BMP",
                                  In + "dir.bmp", In + "a.bmp"};
        const QStringList pictures{"deep.bmp", "small.bmp"};
        QTest::newRow("no logos among them") << Drop{noLogos, 0, 0, {}, AB, AB, false, pictures};
        const QStringList converted{"a.bmp", "b.bmp", "deep.bmp", "small.bmp"};
        QTest::newRow("pictures converted")
            << Drop{noLogos, 0, 0, {}, converted, converted, false, pictures, ConversionChoice{true, true}};
        // A logo's name that is taken is given up only when the user says so.
        QTest::newRow("converted name taken, kept")
            << Drop{{In + "b.png"}, mb::AnswerNo, 0, {ReplaceB}, B, B, false, {"b.png"}, ConversionChoice{}};
        QTest::newRow("converted name taken, replaced")
            << Drop{{In + "b.png", In + "a.bmp"}, mb::AnswerYes, 0, {ReplaceB}, AB, AB, false, {"b.png"}, ConversionChoice{}};
        QTest::newRow("conversion written over read-only")
            << Drop{{In + "a.bmp", In + "b.png"}, mb::AnswerYes, -1, {ReplaceB, Denied}, AB, B, false, {"b.png"}, ConversionChoice{}};
        // Held until the scan has ended, then added and listed after the next scan.
        QTest::newRow("during a scan") << Drop{{In + "a.bmp"}, 0, 0, {}, AB, AB, true};
        // An error ends the drop with its message; what was copied waits for the next scan.
        QTest::newRow("read-only destination") << Drop{three, mb::AnswerYes, -1, {ReplaceB, Denied}, AB, B};
        QTest::newRow("vanished file") << Drop{{In + "a.bmp", In + "gone.bmp", In + "c.bmp"}, 0, 0, {NotFound}, AB, B};
        QTest::newRow("no Windows form") << Drop{{In + "a.bmp", "/tmp/what?.bmp", In + "c.bmp"}, 0, 0, {NotFound}, AB, B};
        QTest::newRow("other error") << Drop{{In + "c.bmp", In + "a.bmp"}, 0, 75,
            {{"程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！", 16, "錯誤編號75"}}, B, B};
    }
    void drop()
    {
        QFETCH(Drop, d);
        FaultInjectingFileService &faults = f->injectFaults(); // passes calls on unless told
        // The second logo is written once the window has counted the first.
        QSemaphore secondWrite;
        std::atomic_int writes = 0;
        faults.setBeforeCallOf("writeFileAtomic", [&] {
            if (writes++ == 1)
                secondWrite.tryAcquire(1, 5000);
        });
        if (d.copyError > 0)
            faults.failEveryCallOf("copyFile", d.copyError);
        openForDrop(*f);
        QVERIFY(f->tmp.setReadOnly(Folder + "b.bmp", d.copyError < 0));
        const QByteArray old = f->tmp.readFile(Folder + "b.bmp");
        QSignalSpy scans(&f->w(), &MainWindow::scanFinished);
        if (d.duringScan) {
            f->holdScans();
            QTest::keyClick(f->find("lstSys"), Qt::Key_F5);
            QTRY_VERIFY(f->w().isScanning());
        }
        f->desktop.answer(d.answer);
        if (!d.offered.isEmpty())
            f->desktop.chooseConversion(d.conversion);
        for (QString &path : d.dropped)
            path = path.startsWith('/') ? path : f->tmp.host(path);
        QVERIFY(f->dropOnList(d.dropped));
        if (d.conversion && d.offered.size() == 2) {
            QTRY_VERIFY(QApplication::activeModalWidget());
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeModalWidget()->findChild<QLabel *>()->text(),
                                      "正在轉換圖片（2／2）…", 30000);
            secondWrite.release();
        }
        QTest::qWait(20);
        QCOMPARE(f->tmp.exists(Folder + "a.bmp"), d.files.contains("a.bmp") && !d.duringScan);
        f->releaseScans();
        QTRY_COMPARE_WITH_TIMEOUT(scans.size(), (d.listed.size() > 1) + d.duringScan, 30000); // none after an error
        QCOMPARE(f->desktop.boxes, d.boxes);
        QCOMPARE(f->desktop.offers.size(), d.offered.isEmpty() ? 0 : 1);
        if (!d.offered.isEmpty()) {
            QCOMPARE(f->desktop.offers[0].pictureNames, d.offered);
            const BootFrame &preview = f->desktop.offerPreviews[0];
            QCOMPARE(preview.frame.size(), QSize(320, 400));
            QCOMPARE(preview.firstAnimated, d.conversion && d.conversion->animatedBand ? 236u : 0u);
        }
        for (const QString &name : d.files) { // every new logo is one the boot screen shows
            const QByteArray bytes = f->tmp.readFile(Folder + name);
            const auto bitmap = LogoBitmap::parse(bytes);
            QVERIFY2(bitmap && bytes.size() == 129078, qPrintable(name));
            if (d.conversion && !name.startsWith('a'))
                QCOMPARE(bitmap->firstAnimated, d.conversion->animatedBand && name != "b.bmp" ? 236u : 0u);
        }
        QCOMPARE(QDir(f->tmp.host(Folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 d.files);
        QCOMPARE(f->entries(), d.listed);
        const bool replaced = d.answer == mb::AnswerYes && d.copyError == 0;
        if (d.offered != QStringList{"b.png"})
            QCOMPARE(f->tmp.readFile(Folder + "b.bmp"), replaced ? f->tmp.readFile(In + "b.bmp") : old);
        else // the logo made of b.png, or the one that was there
            QCOMPARE(f->tmp.readFile(Folder + "b.bmp") == old, !replaced);
    }
};

QTEST_MAIN(TestLogoActions)
#include "tst_logoactions.moc"
