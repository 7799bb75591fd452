// The About window and the Help menu.
#include "support/WindowFixture.h"
#include "ui/FrmAbout.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace bg;
using namespace bg::test;

namespace {
const QString readmePath = QStringLiteral("C:\\Program Files\\Bootgallery\\Readme.htm");
} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void aboutWindow()
    {
        WindowFixture f;
        QVERIFY(f.load().showWindow);
        QTimer::singleShot(0, [] {
            FrmAbout *about = FrmAbout::current();
            QVERIFY(about && about->isModal() && about->isVisible() && !about->parentWidget());
            QCOMPARE(about->windowTitle(), QStringLiteral("關於 Splashwheel"));
            QCOMPARE(about->size(), QSize(about->twips().toPixelsX(4080), about->twips().toPixelsY(2940)));
            const QStringList lines = about->lblAbout2->text().split('\n');
            QCOMPARE(lines.size(), 9);
            QCOMPARE(lines.mid(0, 3), QStringList({"版本：4.0", "用途：自動更換開關機 LOGO", "完成日期：2000/07/16"}));
            QVERIFY(!lines[3].isEmpty() && lines[4].isEmpty() && !lines[5].isEmpty() &&
                    !lines[6].isEmpty() && lines[7].isEmpty());
            QCOMPARE(lines[8], QStringLiteral("寫信給我"));

            QLabel *link = about->lblAbout3; // the address, a link
            QCOMPARE(link->text(), FrmLogo::contactAddress());
            QVERIFY(about->rect().contains(link->geometry()));
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            QVERIFY(link->font().italic() && link->font().underline());
            QCOMPARE(link->cursor().hotSpot(), QPoint(5, 0)); // the fingertip
            QTest::mouseClick(link, Qt::LeftButton);
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
            about->cmdSure->click();
        });
        f.w().mnuAbout->trigger();
        QVERIFY(!FrmAbout::current());
        QCOMPARE(f.desktop.opened.size(), 1);
        QCOMPARE(std::pair(f.desktop.opened[0].target, f.desktop.opened[0].showCommand),
                 std::pair("mailto:" + FrmLogo::contactAddress(), 1));
    }

    void helpItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("readme");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<int>("show");
        QTest::newRow("read-me") << "mnuReadme" << true << readmePath << 3;
        QTest::newRow("read-me missing") << "mnuReadme" << false << "" << 0;
        QTest::newRow("Harborview") << "mnuHarborview" << false << FrmLogo::harborviewAddress() << 1;
        QTest::newRow("Pixelbarn") << "mnuPixelbarn" << false << FrmLogo::pixelbarnAddress() << 1;
        QTest::newRow("Inkmeadow") << "mnuInkmeadow" << false << FrmLogo::inkmeadowAddress() << 1;
    }
    void helpItems()
    {
        QFETCH(QString, item);
        QFETCH(bool, readme);
        QFETCH(QString, opened);
        QFETCH(int, show);
        WindowFixture f;
        // Without the file, a folder of its name stands there: Dir finds no normal file.
        QVERIFY(readme ? f.tmp.writeFile(readmePath, "<html></html>") : f.tmp.makeFolder(readmePath));
        QVERIFY(f.load().showWindow);
        f.w().findChild<QAction *>(item)->trigger();
        QCOMPARE(f.desktop.opened.size(), opened.isEmpty() ? 0 : 1);
        if (!opened.isEmpty())
            QCOMPARE(std::pair(f.desktop.opened[0].target, f.desktop.opened[0].showCommand), std::pair(opened, show));
        const QList<ScriptedDesktop::Box> missing{{"Readme.htm 檔案找不到，請自行尋找檔案!!", 16, "檔案找不到"}};
        QCOMPARE(f.desktop.boxes, opened.isEmpty() ? missing : QList<ScriptedDesktop::Box>());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
