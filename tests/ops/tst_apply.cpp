// Applying a logo to a slot: by double-click and by dropping the large preview on a slot preview.
#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "support/WindowFixture.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Box = ScriptedDesktop::Box;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");
const QString LogoSys = QStringLiteral("C:\\LOGO.SYS");
const QString LogowSys = QStringLiteral("C:\\WINDOWS\\LOGOW.SYS");
const QString Failed = QStringLiteral("更換失敗");

Box success(const QString &phrase, const QString &name)
{
    return {phrase + QStringLiteral("的畫面為==>") + name, mb::Information,
            QStringLiteral("更換成功")};
}

} // namespace

Q_DECLARE_METATYPE(ScriptedDesktop::Box)

class TestApply : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    void start(const QString &settings, bool withFaults = false)
    {
        QVERIFY(f->tmp.isValid());
        f->writeSettings(QStringLiteral("[SplashwheelSet]\n") + settings);
        if (withFaults)
            f->injectFaults();
        QVERIFY(f->load().showWindow);
        f->desktop.clear();
    }
    int attributes(const QString &path)
    {
        int a = -1;
        return f->tmp.files().getAttr(path, a) == rt::Ok ? a : -1;
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    // fresh: a read-only logo, no Showed, no system file; else an earlier copy in Showed and an
    // old system file, both replaced.
    void doubleClickApplies_data()
    {
        QTest::addColumn<bool>("fresh");
        QTest::newRow("read-only logo, nothing there") << true;
        QTest::newRow("earlier copy and system file replaced") << false;
    }
    void doubleClickApplies()
    {
        QFETCH(bool, fresh);
        QVERIFY(f->writeLogos(Folder, {"a.bmp", "b.bmp"}));
        const QByteArray logo = f->tmp.readFile(Folder + "a.bmp");
        if (fresh)
            QVERIFY(f->tmp.setReadOnly(Folder + "a.bmp", true));
        else
            QVERIFY(f->tmp.writeFile(Folder + "Showed\\a.bmp", "old") && f->writeLogo(LogoSys, 99));
        start("Start_Path=C:\\Logos\\\n");
        QCOMPARE(f->w().cmdRestore->isEnabled(), !fresh);

        f->w().lstSys_DblClick();

        QCOMPARE(f->desktop.boxes, QList<Box>{success("下次開機", "a.bmp")});
        QCOMPARE(f->tmp.readFile(LogoSys), logo);
        QCOMPARE(attributes(LogoSys), attr::Hidden);
        QCOMPARE(f->tmp.readFile(Folder + "Showed\\a.bmp"), logo);
        QCOMPARE(attributes(Folder + "Showed\\a.bmp") & attr::ReadOnly, fresh ? attr::ReadOnly : 0);
        QVERIFY(!f->tmp.exists(Folder + "a.bmp"));
        QCOMPARE(f->entries(), QStringList{"b.bmp"});
        QCOMPARE(f->w().state.selectedLogoPath, Folder + "b.bmp");
        QVERIFY(f->w().cmdRestore->isEnabled());
        QVERIFY(f->w().imgStartup->hasPicture());
    }

    void sameFileRefused_data()
    {
        QTest::addColumn<QString>("diskName"); // the system file as the disk spells it
        QTest::newRow("LOGO.SYS") << "C:\\LOGO.SYS";
        QTest::newRow("logo.sys") << "C:\\logo.sys";
        QTest::newRow("LOGOW.SYS") << LogowSys;
    }
    void sameFileRefused()
    {
        QFETCH(QString, diskName);
        const bool wait = diskName == LogowSys;
        const QString systemFile = wait ? LogowSys : LogoSys;
        QVERIFY(f->writeLogo(diskName, 7));
        const QByteArray before = f->tmp.readFile(diskName);
        start(wait ? "Wait_Path=C:\\WINDOWS\\\n" : "Start_Path=C:\\\n");
        if (wait)
            f->w().lblWait_Click();
        const int row = int(f->entries().indexOf(ExtractFileName(diskName)));
        QVERIFY(row >= 0);
        f->w().lstSys->setListIndex(row);
        const QStringList entries = f->entries();
        ImageBox *preview = f->w().slotPreview(wait ? LogoSlot::Wait : LogoSlot::Startup);
        const bool shown = preview->hasPicture();

        f->w().lstSys_DblClick();

        const QString prompt = (wait ? "LOGOW.SYS" : LogoSys) + QStringLiteral(" 不需要再更換成本身!!");
        QCOMPARE(f->desktop.boxes, (QList<Box>{Box{prompt, mb::Information, Failed}}));
        QCOMPARE(f->tmp.readFile(systemFile), before);
        QCOMPARE(attributes(systemFile), 0);
        QCOMPARE(f->entries(), entries);
        QCOMPARE(preview->hasPicture(), shown);
        QVERIFY(!f->tmp.exists(systemFile.left(systemFile.lastIndexOf(u'\\') + 1) + "Showed"));
    }

    // The large preview of the shown (Shutdown) folder dropped on each slot preview.
    void dropOnSlotPreview_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("startup") << 0 << LogoSys << "下次開機";
        QTest::newRow("wait") << 1 << LogowSys << "待會等待關機";
        QTest::newRow("shutdown") << 2 << "C:\\WINDOWS\\LOGOS.SYS" << "待會關機";
    }
    void dropOnSlotPreview()
    {
        QFETCH(int, slot);
        QFETCH(QString, target);
        QFETCH(QString, phrase);
        QVERIFY(f->writeLogos("C:\\Down\\", {"x.bmp", "y.bmp"}) && f->writeLogos(Folder, {"z.bmp"}));
        const QByteArray logo = f->tmp.readFile("C:\\Down\\x.bmp");
        start("Start_Path=C:\\Logos\\\nShutdown_Path=C:\\Down\\\n");
        f->w().lblShutdown_Click();
        f->w().imgOutput_MouseMove();
        QVERIFY(f->w().imgOutput->autoDrag());

        void (FrmLogo::*const drops[])() = {&FrmLogo::imgStartup_DragDrop,
                                             &FrmLogo::imgWait_DragDrop,
                                             &FrmLogo::imgShutdown_DragDrop};
        (f->w().*drops[slot])();

        QCOMPARE(f->desktop.boxes, QList<Box>{success(phrase, "x.bmp")});
        QCOMPARE(f->tmp.readFile(target), logo);
        QCOMPARE(f->tmp.readFile("C:\\Down\\Showed\\x.bmp"), logo);
        QVERIFY(!f->tmp.exists(QStringLiteral("C:\\Logos\\Showed")));
        QVERIFY(f->w().slotPreview(LogoSlot(slot))->hasPicture());
        QCOMPARE(f->entries(), QStringList{"y.bmp"});
    }

    void lastEntryLeavesNothingToDrag()
    {
        QVERIFY(f->writeLogos(Folder, {"only.bmp"}));
        start("Start_Path=C:\\Logos\\\n");
        f->w().imgOutput_MouseMove();
        QVERIFY(f->w().imgOutput->autoDrag());

        f->w().lstSys_DblClick();

        QCOMPARE(f->desktop.boxes, QList<Box>{success("下次開機", "only.bmp")});
        QVERIFY(f->entries().isEmpty());
        QVERIFY(!f->w().imgOutput->hasPicture());
        f->w().imgOutput_MouseMove();
        QVERIFY(!f->w().imgOutput->autoDrag());
    }

    // No entry chosen, a file removed behind the tool's back, an entry left from the previous
    // folder after a switch to a missing folder.
    void nothingToApply_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("target");
        QTest::newRow("no entry") << "none" << LogoSys;
        QTest::newRow("removed") << "removed" << LogoSys;
        QTest::newRow("stale, clicked") << "stale-clicked" << LogowSys;
        QTest::newRow("stale") << "stale" << LogowSys;
    }
    void nothingToApply()
    {
        QFETCH(QString, how);
        QFETCH(QString, target);
        QVERIFY(f->writeLogos(Folder, {"a.bmp"}) && f->writeLogo(target, 5));
        const QByteArray old = f->tmp.readFile(target);
        start("Start_Path=C:\\Logos\\\nWait_Path=C:\\Gone\\\n");
        if (how == "none") {
            f->w().lstSys->setListIndex(-1);
        } else if (how == "removed") {
            QVERIFY(QFile::remove(f->tmp.host(Folder + "a.bmp")));
            QVERIFY(f->writeLogo(Folder + "Showed\\a.bmp", 3)); // not a source either
        } else {
            f->w().lblWait_Click(); // the path is missing: the list keeps a.bmp
            QCOMPARE(f->entries(), QStringList{"a.bmp"});
            if (how == "stale-clicked")
                f->w().lstSys->setListIndex(0);
        }
        f->desktop.clear();

        f->w().lstSys_DblClick();

        const Box box = how == "none"
            ? Box{QStringLiteral("請先在清單中點選要更換的LOGO!!"), mb::Information, Failed}
            : Box{QStringLiteral("在目前的目錄中找不到 a.bmp，請重新整理清單後再試!!"), mb::Critical,
                  Failed};
        QCOMPARE(f->desktop.boxes, QList<Box>{box});
        QCOMPARE(f->tmp.readFile(target), old);
        QCOMPARE(f->tmp.exists(Folder + "a.bmp"), how != "removed");
        QCOMPARE(f->tmp.exists(Folder + "Showed"), how == "removed");
        QVERIFY(!f->tmp.exists(QStringLiteral("C:\\Gone")));
    }

    // A failure at each file step: nothing is lost, and only a failure that leaves the slot's
    // logo in place is reported as one. An empty prompt: the logo was applied.
    void failingStep_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("prompt");
        const QString noCopy = QStringLiteral("無法將 a.bmp 備份到 Showed 目錄，原本的畫面沒有改變。");
        QTest::newRow("create Showed") << "createFolder" << noCopy;
        QTest::newRow("copy") << "copyFile" << noCopy;
        QTest::newRow("replace") << "replaceFile" << "無法更換 C:\\LOGO.SYS，原本的畫面沒有改變。";
        QTest::newRow("attributes") << "setAttr" << QString();
    }
    void failingStep()
    {
        QFETCH(QString, op);
        QFETCH(QString, prompt);
        QVERIFY(f->writeLogos(Folder, {"a.bmp", "b.bmp"}) && f->writeLogo(LogoSys, 99));
        QVERIFY(f->tmp.setReadOnly(Folder + "a.bmp", true));
        const QByteArray logo = f->tmp.readFile(Folder + "a.bmp");
        const QByteArray old = f->tmp.readFile(LogoSys);
        start("Start_Path=C:\\Logos\\\n", true);
        if (prompt.isEmpty())
            f->faults->failEveryCallOf(op, rt::PermissionDenied);
        else
            f->faults->failNthCallOf(op, 1, rt::PermissionDenied);

        f->w().lstSys_DblClick();

        if (prompt.isEmpty()) {
            QCOMPARE(f->desktop.boxes, QList<Box>{success("下次開機", "a.bmp")});
            QCOMPARE(f->tmp.readFile(LogoSys), logo);
            QCOMPARE(attributes(LogoSys), attr::ReadOnly); // not hidden, but in place
            QCOMPARE(f->tmp.readFile(Folder + "Showed\\a.bmp"), logo);
            QCOMPARE(f->entries(), QStringList{"b.bmp"});
            return;
        }
        QCOMPARE(f->desktop.boxes, (QList<Box>{Box{prompt, mb::Critical, Failed}}));
        QCOMPARE(f->tmp.readFile(LogoSys), old);
        QCOMPARE(f->tmp.readFile(Folder + "a.bmp"), logo);
        QCOMPARE(attributes(Folder + "a.bmp"), attr::ReadOnly);
        QVERIFY(!f->tmp.exists(Folder + "Showed"));
        QCOMPARE(f->entries(), (QStringList{"a.bmp", "b.bmp"}));
        QVERIFY(!f->w().cmdRestore->isEnabled());
        QCOMPARE(f->faults->callsOf("deleteFile"), op == "replaceFile" ? 1 : 0); // only the new copy
    }
};

QTEST_MAIN(TestApply)
#include "tst_apply.moc"
