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

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void window()
    {
        ScriptedDesktop desktop;
        FrmAbout about(desktop, QStringLiteral("wheel@example.com"));
        QCOMPARE(FrmAbout::current(), &about);
        QCOMPARE(about.windowTitle(), QStringLiteral("關於 Splashwheel"));
        const Twips &t = about.twips();
        QCOMPARE(about.size(), QSize(t.toPixelsX(4080), t.toPixelsY(2940)));

        const QStringList lines = about.lblAbout2->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines.mid(0, 3), QStringList({"版本：4.0", "用途：自動更換開關機 LOGO",
                                               "完成日期：2000/07/16"}));
        for (int i : {3, 5, 6})
            QVERIFY(!lines.at(i).isEmpty());
        QVERIFY(lines.at(4).isEmpty() && lines.at(7).isEmpty());
        QCOMPARE(lines.at(8), QStringLiteral("寫信給我"));
        QCOMPARE(about.lblAbout->text(), QStringLiteral("Splashwheel"));
        QCOMPARE(about.lblAbout->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        QCOMPARE(about.cmdSure->text(), QStringLiteral("確定"));

        QLabel *link = about.lblAbout3;
        QCOMPARE(link->text(), QStringLiteral("wheel@example.com"));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(link->font().italic() && link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(link->cursor().hotSpot(), QPoint(5, 0));
        // The link stays inside the window.
        QVERIFY(about.rect().contains(link->geometry()));
        QVERIFY(about.rect().contains(about.lblAbout2->geometry()));

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(desktop.opened.size(), 1);
        QCOMPARE(desktop.opened.first().target, QStringLiteral("mailto:wheel@example.com"));
        QCOMPARE(desktop.opened.first().showCommand, 1);
    }

    void aboutMenuShowsTheWindowModally()
    {
        WindowFixture f;
        QVERIFY(f.load().showWindow);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            FrmAbout *about = FrmAbout::current();
            QVERIFY(about);
            seen = about->isModal() && about->isVisible() && !about->parentWidget();
            about->cmdSure->click();
        });
        f.w().mnuAbout->trigger();
        QVERIFY(seen);
        QVERIFY(!FrmAbout::current());
    }

    void readme_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("absent") << false;
    }
    void readme()
    {
        QFETCH(bool, present);
        WindowFixture f;
        const QString path = QStringLiteral("C:\\Program Files\\Bootgallery\\Readme.htm");
        if (present)
            QVERIFY(f.tmp.writeFile(path, "<html></html>"));
        else
            QVERIFY(f.tmp.makeFolder(path)); // a folder of that name is no file
        QVERIFY(f.load().showWindow);
        f.w().mnuReadme->trigger();
        if (present) {
            QVERIFY(f.desktop.boxes.isEmpty());
            QCOMPARE(f.desktop.opened.size(), 1);
            QCOMPARE(f.desktop.opened.first().target, path);
            QCOMPARE(f.desktop.opened.first().showCommand, 3);
        } else {
            QCOMPARE(f.desktop.boxes, QList<ScriptedDesktop::Box>(
                                          {{QStringLiteral("Readme.htm 檔案找不到，請自行尋找檔案!!"),
                                            16, QStringLiteral("檔案找不到")}}));
            QVERIFY(f.desktop.opened.isEmpty());
        }
    }

    void downloadSites()
    {
        WindowFixture f;
        QVERIFY(f.load().showWindow);
        f.w().mnuHarborview->trigger();
        f.w().mnuPixelbarn->trigger();
        f.w().mnuInkmeadow->trigger();
        QStringList targets;
        for (const ScriptedDesktop::Open &o : f.desktop.opened) {
            QCOMPARE(o.showCommand, 1);
            targets << o.target;
        }
        QCOMPARE(targets, QStringList({FrmLogo::harborviewAddress(), FrmLogo::pixelbarnAddress(),
                                       FrmLogo::inkmeadowAddress()}));
        QCOMPARE(QSet<QString>(targets.begin(), targets.end()).size(), 3);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
