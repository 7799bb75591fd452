// The folder button beside the path box.
#include "library/FolderChooser.h"
#include "support/WindowFixture.h"
#include "ui/LogoList.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace bg;
using namespace bg::test;

class TestChooser : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    void start()
    {
        QVERIFY(f->tmp.isValid());
        f->writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n"));
        QVERIFY(f->writeLogos(QStringLiteral("C:\\Logos\\"), {QStringLiteral("c.bmp")}));
        QVERIFY(!f->tmp.addDrive(QLatin1Char('d')).isEmpty());
        QVERIFY(f->writeLogos(QStringLiteral("D:\\Logos\\"), {"d1.bmp", "d2.bmp"}));
        QVERIFY(f->writeLogos(QStringLiteral("D:\\"), {"root.bmp"}));
        QVERIFY(f->load().showWindow);
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void cancelledChangesNothing()
    {
        start();
        QSignalSpy scans(f->w().lstSys, &LogoList::entryChosen);
        f->desktop.pickFolder(QString());
        f->w().cmdBrowser->click();
        QCOMPARE(f->desktop.folderPrompts, QStringList{QStringLiteral("請選擇放置LOGO的資料夾")});
        QCOMPARE(f->desktop.folderOwners, QList<QWidget *>{&f->w()});
        QCOMPARE(f->w().txtPath->text(), QStringLiteral("C:\\Logos\\"));
        QCOMPARE(f->entries(), QStringList{"c.bmp"});
        QVERIFY(!f->w().state.folderChanged[0]);
        QCOMPARE(scans.count(), 0);
    }

    void pickedFolderIsScanned_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("folder") << "D:\\Logos" << "D:\\Logos\\" << QStringList{"d1.bmp", "d2.bmp"};
        QTest::newRow("drive root") << "D:\\" << "D:\\" << QStringList{"root.bmp"};
    }
    void pickedFolderIsScanned()
    {
        QFETCH(QString, picked);
        QFETCH(QString, folder);
        QFETCH(QStringList, entries);
        start();
        f->desktop.pickFolder(picked);
        f->w().cmdBrowser_Click();
        QCOMPARE(f->w().txtPath->text(), picked);
        QCOMPARE(f->w().state.folder(LogoSlot::Startup), folder);
        QVERIFY(f->w().state.folderChanged[0]);
        QCOMPARE(f->entries(), entries);
        QVERIFY(f->desktop.boxes.isEmpty());
    }

    void pathBuffer_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("result");
        QTest::newRow("ends at the first NUL") << QStringLiteral("D:\\A") + QChar(0) + "junk"
                                               << "D:\\A";
        QTest::newRow("fills the buffer") << "D:\\" + QString(255, 'x') << "D:\\" + QString(255, 'x');
        QTest::newRow("longer than the buffer") << "D:\\" + QString(257, 'x') << QString();
    }
    void pathBuffer()
    {
        QFETCH(QString, given);
        QFETCH(QString, result);
        ScriptedDesktop desktop;
        desktop.pickFolder(given);
        QCOMPARE(BrowseForFolder(desktop, nullptr, QStringLiteral("p")), result);
    }
};

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
