// The start-at-boot menu (a shortcut in the Startup folder) and the order menu, by access keys.
#include "platform/DosAttributes.h"
#include "platform/RuntimeError.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QFile>
#include <QTest>

using namespace bg;
using bg::test::WindowFixture;
using Boxes = QList<bg::test::ScriptedDesktop::Box>;

namespace {
const QString Link = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\Splashwheel.lnk");
const int Deleted = -1, Made = -2; // shortcuts changed by hand; else the attributes given it

// The item chosen (Y: on, N: off) once the shortcut was changed by hand; then whether a
// shortcut is there, whether Y is checked (N is the other way), and the boxes shown.
struct Choice { char key; int change; bool linked, on; Boxes boxes = {}; };

bool isChecked(const WindowFixture &f, const char *item)
{
    return f.find<QAction>(item)->isChecked();
}
} // namespace
Q_DECLARE_METATYPE(Choice)

class TestRegistration : public QObject
{
    Q_OBJECT
private slots:
    void startAtBoot_data()
    {
        QTest::addColumn<Choice>("c");
        QTest::newRow("on") << Choice{'Y', 0, true, true};
        QTest::newRow("on, cannot write") << Choice{'Y', 0, false, false, {
            {"無法在「啟動」資料夾中建立捷徑，開機時不會自動更換 LOGO。", mb::Critical, "開機啟動"}}};
        QTest::newRow("off") << Choice{'N', 0, false, false};
        QTest::newRow("off, removed by hand") << Choice{'N', Deleted, false, false};
        // Neither deleted nor found: the menu says "off" although the file is still there.
        QTest::newRow("off, hidden") << Choice{'N', attr::Hidden, true, false};
        QTest::newRow("off, read-only") << Choice{'N', attr::ReadOnly, true, true};
        // A click on the checked item does nothing, whatever the disk holds by now.
        QTest::newRow("checked on") << Choice{'Y', Deleted, false, true};
        QTest::newRow("checked off") << Choice{'N', Made, true, false};
    }
    void startAtBoot()
    {
        QFETCH(Choice, c);
        WindowFixture f;
        if (!c.boxes.isEmpty())
            f.injectFaults().failEveryCallOf(QStringLiteral("writeFileAtomic"), rt::DiskFull);
        const bool registered = c.key == 'N' ? c.change != Made : c.change == Deleted;
        QVERIFY(!registered || f.tmp.writeFile(Link, "L"));
        QCOMPARE(f.start(), -1);
        QVERIFY(isChecked(f, "mnuRun") == registered && isChecked(f, "mnuUnrun") != registered);
        const QString host = f.tmp.host(Link);
        if (c.change == Deleted || c.change == Made) {
            QVERIFY(c.change == Made ? f.tmp.writeFile(Link, "L") : QFile::remove(host));
        } else if (c.change > 0) {
            QCOMPARE(attr::write(host, c.change), 0);
            if ((attr::read(host) & c.change) != c.change)
                QSKIP("the temporary file system keeps no hidden attribute");
        }
        f.chooseMenu('S', QLatin1Char(c.key));
        QCOMPARE(f.tmp.exists(Link), c.linked);
        QVERIFY(isChecked(f, "mnuRun") == c.on && isChecked(f, "mnuUnrun") != c.on);
        QCOMPARE(f.desktop.boxes, c.boxes);
        // The shortcut the window made starts Onboot.exe from the program folder.
        if (c.change == 0 && c.linked)
            QVERIFY(f.tmp.readFile(Link).contains("C:\\Program Files\\Bootgallery\\Onboot.exe"));
    }

    // Each order chosen twice (the second time on the checked item), saved only at the close,
    // by Ctrl+X or by the File menu.
    void orderIsSavedAtClose()
    {
        const char *const words[] = {"Little", "Big", "Random"};
        const char *const items[] = {"mnuLittle", "mnuBig", "mnuRandom"};
        for (int chosen = 0; chosen < 3; ++chosen) {
            WindowFixture f;
            f.writeSettings(QStringLiteral("[SplashwheelSet]\nMethod=") + words[(chosen + 1) % 3]);
            QCOMPARE(f.start(), -1);
            const QByteArray before = f.settingsBytes();
            for (int round = 0; round < 2; ++round) {
                f.chooseMenu('M', QLatin1Char("LBR"[chosen]));
                for (int i = 0; i < 3; ++i)
                    QCOMPARE(isChecked(f, items[i]), i == chosen);
            }
            QCOMPARE(f.settingsBytes(), before);
            if (chosen == 1)
                f.chooseMenu('F', 'C');
            else
                QTest::keyClick(f.find("lstSys"), Qt::Key_X, Qt::ControlModifier);
            QTRY_VERIFY(!f.w().isVisible());
            QVERIFY(f.settingsBytes().contains(QByteArray("Method=") + words[chosen] + "\r\n"));
        }
    }
};

QTEST_MAIN(TestRegistration)
#include "tst_registration.moc"
