// The folder button beside the path box.
#include "support/WindowFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace bg;
using namespace bg::test;

class TestChooser : public QObject
{
    Q_OBJECT

private slots:
    void pick_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("cancelled") << "" << "C:\\Logos\\" << QStringList{"c.bmp"};
        QTest::newRow("folder") << "D:\\Logos" << "D:\\Logos\\" << QStringList{"d1.bmp", "d2.bmp"};
        QTest::newRow("drive root") << "D:\\" << "D:\\" << QStringList{"root.bmp"};
        QTest::newRow("too long for the path buffer") << "D:\\" + QString(257, 'x') << "C:\\Logos\\"
                                                      << QStringList{"c.bmp"};
    }
    void pick()
    {
        QFETCH(QString, picked);
        QFETCH(QString, folder);
        QFETCH(QStringList, entries);
        WindowFixture f;
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
        QVERIFY(!f.tmp.addDrive('d').isEmpty());
        QVERIFY(f.writeLogos("C:\\Logos\\", {"c.bmp"}) && f.writeLogos("D:\\", {"root.bmp"}) &&
                f.writeLogos("D:\\Logos\\", {"d1.bmp", "d2.bmp"}));
        QVERIFY(f.load().showWindow);
        f.desktop.pickFolder(picked);
        f.w().cmdBrowser->click();
        QCOMPARE(f.desktop.folderPrompts, QStringList{"請選擇放置LOGO的資料夾"});
        QCOMPARE(f.desktop.folderOwners, QList<QWidget *>{&f.w()});
        const bool scanned = folder != "C:\\Logos\\";
        QCOMPARE(f.w().txtPath->text(), scanned ? picked : folder);
        QCOMPARE(f.w().state.folder(LogoSlot::Startup), folder);
        QCOMPARE(f.w().state.folderChanged[0], scanned);
        QCOMPARE(f.entries(), entries);
    }
};

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
