// The About window and the Help menu.
#include "support/WindowFixture.h"
#include "ui/FrmAbout.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace bg;
using namespace bg::test;

static const QString readmePath = QStringLiteral("C:\\Program Files\\Bootgallery\\Readme.htm");

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void aboutWindow()
    {
        WindowFixture f;
        QCOMPARE(f.start(), -1);
        // A timer finds the About window in its own loop, clicks the address and the button (or
        // closes it); what it saw is compared after the loop, so a fault fails, never hangs.
        QStringList seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            FrmAbout *about = FrmAbout::current();
            if (!about || !about->isVisible())
                return;
            poll.stop();
            seen << (about->isModal() ? "modal" : "modeless") << (about->parentWidget() ? "owned" : "unowned");
            QTest::mouseClick(about->findChild<QLabel *>("lblAbout3"), Qt::LeftButton);
            QTest::mouseClick(about->findChild<QPushButton *>("cmdSure"), Qt::LeftButton);
            seen << (about->isVisible() ? "still open" : "closed");
            if (about->isVisible())
                about->reject();
        });
        poll.start(5);
        f.chooseMenu('H', 'A'); // returns when the About window has closed
        QCOMPARE(seen, (QStringList{"modal", "unowned", "closed"}));
        QCOMPARE(f.desktop.opened.size(), 1);
        QCOMPARE(std::pair(f.desktop.opened[0].target, f.desktop.opened[0].showCommand),
                 std::pair("mailto:" + MainWindow::contactAddress(), 1));
    }

    void helpItems_data()
    {
        QTest::addColumn<QString>("keys"); // access keys under Help; none: F1
        QTest::addColumn<QString>("opened"); // none: the read-me is missing
        const auto &sites = MainWindow::downloadSites();
        QTest::newRow("read-me by F1") << "" << readmePath;
        QTest::newRow("read-me missing") << "R" << "";
        QTest::newRow("Harborview") << "WK" << sites[0];
        QTest::newRow("Pixelbarn") << "WS" << sites[1];
        QTest::newRow("Inkmeadow") << "WI" << sites[2];
    }
    void helpItems()
    {
        QFETCH(QString, keys);
        QFETCH(QString, opened);
        WindowFixture f;
        // Without the file, a folder of its name stands there: only a normal file counts.
        QVERIFY(opened.isEmpty() ? f.tmp.makeFolder(readmePath) : f.tmp.writeFile(readmePath, "<html></html>"));
        QCOMPARE(f.start(), -1);
        if (keys.isEmpty())
            QTest::keyClick(f.listViewport(), Qt::Key_F1);
        else
            f.chooseMenu('H', keys[0]);
        if (keys.size() > 1) {
            auto *sites = f.find<QMenu>("mnuWWW");
            QTRY_VERIFY(sites->isVisible());
            QTest::keyClick(sites, keys[1].toLatin1());
        }
        QCOMPARE(f.desktop.opened.size(), opened.isEmpty() ? 0 : 1);
        if (!opened.isEmpty()) // the read-me maximised, a site as it comes
            QCOMPARE(std::pair(f.desktop.opened[0].target, f.desktop.opened[0].showCommand),
                     std::pair(opened, opened == readmePath ? 3 : 1));
        const QList<ScriptedDesktop::Box> missing{{"Readme.htm 檔案找不到，請自行尋找檔案!!", 16, "檔案找不到"}};
        QCOMPARE(f.desktop.boxes, opened.isEmpty() ? missing : QList<ScriptedDesktop::Box>());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
