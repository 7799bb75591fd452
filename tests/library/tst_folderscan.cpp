// The folder scan as the window runs it, and the rules it is built from.
#include "library/FolderScan.h"
#include "platform/Desktop.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/FrmLogo.h"
#include "ui/ImageBox.h"
#include "ui/LogoList.h"
#include "ui/TabLabel.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <sys/stat.h>

using namespace bg;
using namespace bg::test;

namespace {
// Logos in C:\Logos\, the start-up folder, then the window loaded.
FrmLogo &loaded(WindowFixture &f, const QStringList &logos, const QString &moreSettings = {})
{
    if (!f.writeLogos("C:\\Logos\\", logos))
        qFatal("cannot write the logos");
    f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n" + moreSettings);
    f.load();
    return f.w();
}

void pressEnter(FrmLogo &w, const QString &text)
{
    w.txtPath->setText(text);
    int key = 13;
    w.txtPath_KeyPress(key);
    QCOMPARE(key, 0);
}

// Runs `run`, calling `probe` from the event loop while a scan is under way; how often it did.
int whileScanning(FrmLogo &w, const std::function<void()> &probe, const std::function<void()> &run)
{
    int calls = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!w.state.scanIdle) {
            ++calls;
            probe();
        }
    });
    timer.start();
    run();
    return calls;
}
} // namespace

class TestFolderScan : public QObject
{
    Q_OBJECT

private slots:
    void confirmFolder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("folder");
        QTest::newRow("same with backslash") << "D:\\LOGOS\\" << "d:\\logos\\" << false << "d:\\logos\\";
        QTest::newRow("stored without backslash") << "d:\\logos" << "d:\\logos" << false << "d:\\logos\\";
        QTest::newRow("other, typed with backslash") << "D:\\New\\" << "D:\\Old\\" << true << "D:\\New\\";
        QTest::newRow("first folder of a slot") << "C:\\Logos" << "" << true << "C:\\Logos\\";
        QTest::newRow("drive root") << "D:\\" << "" << true << "D:\\";
    }
    void confirmFolder()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, changed);
        QFETCH(QString, folder);
        const FolderChoice choice = bg::confirmFolder(typed, stored);
        QCOMPARE(choice.changed, changed);
        QCOMPARE(choice.folder, folder);
    }

    void fitListWidth_data()
    {
        QTest::addColumn<QList<double>>("widths");
        QTest::addColumn<int>("extent");
        QTest::addColumn<QString>("tag");
        QTest::newRow("empty list") << QList<double>{} << 5 << "noover";
        QTest::newRow("widest 104") << QList<double>{60, 104, 30} << 109 << "noover";
        QTest::newRow("widest 105") << QList<double>{105, 60} << 110 << "over";
        QTest::newRow("half to even, down") << QList<double>{104.5} << 109 << "noover";
        QTest::newRow("half to even, up") << QList<double>{105.5} << 111 << "over";
        QTest::newRow("only a greater width counts") << QList<double>{104.4, 104.3} << 109 << "noover";
    }
    void fitListWidth()
    {
        QFETCH(QList<double>, widths);
        QFETCH(int, extent);
        QFETCH(QString, tag);
        QStringList names;
        for (int i = 0; i < widths.size(); ++i)
            names.append(QString::number(i));
        const ListWidth result = bg::fitListWidth(names, [&](const QString &name) { return widths.at(name.toInt()); });
        QCOMPARE(result.extent, extent);
        QCOMPARE(result.tag, tag);
    }

    void listsOnlyLogosSorted()
    {
        WindowFixture f;
        const QString folder = QStringLiteral("C:\\Logos\\");
        QVERIFY(f.writeLogos(folder, {"zeta.bmp", "Alpha.BMP", "日出.bmp", "beta.bmp", "海邊.bmp"}));
        // Not listed: a 320 x 400 picture of 384,054 bytes (size test), a 129,078-byte non-picture
        // (picture test), a 400 x 320 BMP, a PNG, and what lies in Showed.
        QVERIFY(f.tmp.writeFile(folder + "wide24.bmp", pictures::bmp(QSize(320, 400), 24)));
        QVERIFY(f.tmp.writeFileOfSize(folder + "noise.bmp", 129078));
        QVERIFY(f.tmp.writeFile(folder + "turned.bmp", pictures::bmp(QSize(400, 320), 8)));
        QVERIFY(f.tmp.writeFile(folder + "photo.bmp", pictures::png(QSize(320, 400))));
        QVERIFY(f.writeLogo(folder + "Showed\\used.bmp"));
        f.writeSettings("[SplashwheelSet]\nWait_Path=C:\\Logos\\\n");
        QVERIFY(f.load().showWindow);
        FrmLogo &w = f.w();
        w.lblWait_Click();
        QCOMPARE(f.entries(), (QStringList{"Alpha.BMP", "beta.bmp", "zeta.bmp", "日出.bmp", "海邊.bmp"}));
        QVERIFY(f.desktop.boxes.isEmpty());
        QCOMPARE(w.lstSys->listIndex(), 0);
        QCOMPARE(w.state.selectedLogoPath, QStringLiteral("C:\\Logos\\Alpha.BMP"));
        QVERIFY(w.imgOutput->hasPicture());
        QCOMPARE(w.imgOutput->toolTip(), QStringLiteral("Alpha.BMP"));
        QCOMPARE(w.imgOutput->borderStyle(), 1);
        QCOMPARE(w.lstSys->toolTip(), QStringLiteral("點兩下可設為等待關機LOGO(共有5個LOGO)"));
        QVERIFY(w.state.slotHasLogos[1] && w.state.scanIdle);
        QVERIFY(w.mnuEdit->menuAction()->isEnabled() && w.mnuRename->isEnabled() && w.mnuDelete->isEnabled());
        QVERIFY(w.cmdRestore->isEnabled()); // Showed exists
        QVERIFY(w.cmdBrowser->isEnabled() && w.txtPath->isEnabled() && w.mnuRefresh->isEnabled());
    }

    void foldersWithoutLogos()
    {
        WindowFixture f;
        QVERIFY(f.tmp.makeFolder("C:\\Empty\\"));
        FrmLogo &w = loaded(f, {"a.bmp", "b.bmp"});
        w.rescan("C:\\Empty", false);
        QVERIFY(f.entries().isEmpty());
        QVERIFY(!w.mnuEdit->menuAction()->isEnabled() && !w.mnuRename->isEnabled() && !w.mnuDelete->isEnabled());
        QVERIFY(!w.imgOutput->hasPicture());
        QCOMPARE(w.imgOutput->borderStyle(), 0);
        QCOMPARE(w.lstSys->toolTip(), QString());
        QVERIFY(!w.state.slotHasLogos[0] && !w.cmdRestore->isEnabled());
        QCOMPARE(w.tag, QStringLiteral("noover"));
        QCOMPARE(w.lstSys->horizontalExtent(), 5);
        QVERIFY(w.state.folderChanged[0]);
        QCOMPARE(w.state.slotFolders[0], QStringLiteral("C:\\Empty\\"));

        // Enter in an empty path box: empty list, no message, slot folder kept.
        w.rescan("C:\\Logos", false);
        QCOMPARE(f.entries().size(), 2);
        pressEnter(w, QString());
        QVERIFY(f.entries().isEmpty() && !w.mnuDelete->isEnabled());
        QVERIFY(f.desktop.boxes.isEmpty());
        QCOMPARE(w.state.slotFolders[0], QStringLiteral("C:\\Logos\\"));

        // A missing folder: a message, the list of the folder before it kept.
        w.rescan("C:\\Logos", false);
        w.state.folderChanged[0] = false;
        pressEnter(w, "C:\\Nowhere");
        QCOMPARE(f.desktop.boxes, (QList<ScriptedDesktop::Box>{
                                      {"找不到您所設定的路徑，請重新指定更換LOGO的檔案路徑!!", mb::Critical, "路徑錯誤"}}));
        QCOMPARE(f.entries(), (QStringList{"a.bmp", "b.bmp"}));
        QCOMPARE(w.txtPath->selectedText(), QStringLiteral("C:\\Nowhere"));
        QVERIFY(!w.state.folderChanged[0]);
        QCOMPARE(w.state.slotFolders[0], QStringLiteral("C:\\Logos\\"));
    }

    void typedFolder_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("same, other case") << "c:\\logos\\" << "C:\\LOGOS" << false << "c:\\logos\\"
                                          << QStringList{"a.bmp"};
        QTest::newRow("other folder") << "C:\\Logos\\" << "C:\\New" << true << "C:\\New\\"
                                      << QStringList{"b.bmp", "c.bmp"};
    }
    void typedFolder()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, changed);
        QFETCH(QString, folder);
        QFETCH(QStringList, entries);
        WindowFixture f;
        QVERIFY(f.writeLogos("C:\\Logos\\", {"a.bmp"}) && f.writeLogos("C:\\New\\", {"b.bmp", "c.bmp"}));
        f.writeSettings("[SplashwheelSet]\nStart_Path=" + stored + "\n");
        f.load();
        FrmLogo &w = f.w();
        QCOMPARE(f.entries(), QStringList{"a.bmp"});
        w.rescan(typed, false);
        QCOMPARE(w.state.folderChanged[0], changed);
        QCOMPARE(w.state.slotFolders[0], folder);
        QCOMPARE(f.entries(), entries);
        QCOMPARE(w.lstSys->toolTip(), QStringLiteral("點兩下可設為下次開機LOGO(共有%1個LOGO)").arg(entries.size()));
    }

    void stateDuringTheLoop()
    {
        WindowFixture f;
        QVERIFY(f.writeLogos("C:\\Logos\\", {"a.bmp", "b.bmp", "c.bmp"}));
        QVERIFY(f.writeLogo("C:\\Logos\\Showed\\x.bmp"));
        FrmLogo &w = f.create();
        // The picture test lets events run, so the controls are seen from inside the loop.
        const int checks = whileScanning(
            w,
            [&] {
                QVERIFY(!w.cmdRestore->isEnabled() && !w.cmdBrowser->isEnabled() && !w.txtPath->isEnabled());
                QVERIFY(!w.mnuRefresh->isEnabled() && !w.mnuEdit->menuAction()->isEnabled());
                QVERIFY(!w.mnuRename->isEnabled() && !w.mnuDelete->isEnabled());
            },
            [&] { w.rescan("C:\\Logos", false); });
        QVERIFY(checks > 0);
        QVERIFY(w.cmdRestore->isEnabled());
        QVERIFY(w.txtPath->isEnabled() && w.cmdBrowser->isEnabled() && w.mnuRefresh->isEnabled());
    }

    void tabsIgnoreClicksWhileScanning()
    {
        WindowFixture f;
        FrmLogo &w = loaded(f, {"a.bmp", "b.bmp", "c.bmp"}, "Wait_Path=C:\\Logos\\\n");
        bool clicked = false;
        const auto click = [&] {
            if (!std::exchange(clicked, true))
                w.lblWait_Click(); // arrives while the loop yields
        };
        QVERIFY(whileScanning(w, click, [&] { w.mnuRefresh_Click(); }) > 0);
        QCOMPARE(w.state.currentSlot, LogoSlot::Startup);
        QCOMPARE(w.lblStartup->backColor(), FrmLogo::SelectedTabColor);
        QCOMPARE(w.lblWait->backColor(), FrmLogo::UnselectedTabColor);
    }

    void specialFilesNeverBlock()
    {
        WindowFixture f;
        QVERIFY(f.writeLogos("C:\\Logos\\", {"a.bmp"}));
        const QString host = f.tmp.host("C:\\Logos\\");
        QVERIFY(::mkfifo(QFile::encodeName(host + "/pipe.bmp").constData(), 0644) == 0);
        QVERIFY(QFile::link(host + "/missing-target", host + "/dangling.bmp"));
        QVERIFY(QDir(host).mkdir("folder.bmp"));
        loaded(f, {"a.bmp"}); // would hang on the FIFO if the scan opened it
        QCOMPARE(f.entries(), QStringList{"a.bmp"});
    }

    void corruptEntryPreviewMessage()
    {
        WindowFixture f;
        FrmLogo &w = loaded(f, {"a.bmp", "b.bmp"});
        // b.bmp is damaged after it was listed.
        QVERIFY(f.tmp.writeFile("C:\\Logos\\b.bmp", pictures::truncated(pictures::bmp({320, 400}), 5000)));
        w.lstSys->setListIndex(1);
        QCOMPARE(f.desktop.boxes, (QList<ScriptedDesktop::Box>{
                                      {"此檔 'b.bmp' 不為所支援的圖形格式！", mb::Critical, "b.bmp"}}));
        QVERIFY(!w.imgOutput->hasPicture());
        QCOMPARE(w.imgOutput->toolTip(), QStringLiteral("a.bmp")); // keeps its earlier value
        QCOMPARE(w.state.selectedLogoPath, QStringLiteral("C:\\Logos\\b.bmp"));
    }

    void progressBar_data()
    {
        QTest::addColumn<double>("percent");
        QTest::addColumn<int>("fill");
        QTest::newRow("0") << 0.0 << 0;
        QTest::newRow("50") << 50.0 << 2670;
        QTest::newRow("100") << 100.0 << 5340;
        QTest::newRow("above 100 is not clamped") << 150.0 << 8010;
        QTest::newRow("remainder dropped") << 33.33 << 1779;
    }
    void progressBar()
    {
        QFETCH(double, percent);
        QFETCH(int, fill);
        WindowFixture f;
        FrmLogo &w = f.create();
        w.SetProgressBar(percent);
        QCOMPARE(w.upBarTwips, fill);
        QCOMPARE(w.underBarTwips, 5340);
    }

    void refreshReloadsSystemLogos()
    {
        WindowFixture f;
        FrmLogo &w = loaded(f, {"a.bmp"});
        QVERIFY(!w.imgWait->hasPicture());
        QVERIFY(f.writeLogo("C:\\WINDOWS\\LOGOW.SYS") && f.writeLogo("C:\\Logos\\new.bmp"));
        w.mnuRefresh_Click();
        QVERIFY(w.imgWait->hasPicture() && !w.imgStartup->hasPicture());
        QCOMPARE(f.entries(), (QStringList{"a.bmp", "new.bmp"}));
        QVERIFY(w.mnuRefresh->isEnabled() && f.desktop.boxes.isEmpty());
    }
};

QTEST_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
