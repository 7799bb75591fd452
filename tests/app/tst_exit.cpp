// Closing the main window: questions about changed folders, the checks, the settings save.
#include "platform/RuntimeError.h"
#include "support/WindowFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include <algorithm>

using namespace bg;
using namespace bg::test;
using Box = ScriptedDesktop::Box;
using Boxes = QList<Box>;

namespace {

Box question(const QString &slot) { return {slot + "路徑已改變，儲存剛剛的設定？", mb::ExclamationYesNoCancel, "Bootgallery"}; }
Box settingsError(const QString &prompt) { return {prompt, mb::Critical, QStringLiteral("設定錯誤")}; }
const QString NoLogos = QStringLiteral("您所設定的目錄並沒有任何LOGO可供更換，請重新設定!!");
const QString RootOfC = QStringLiteral("此目錄沒有足夠的LOGO可供更換，請重新指定目錄!!");
const QString OldFile = QStringLiteral("[SplashwheelSet]\r\nStart_Path=C:\\Old\\\r\nStart_Checked=False\r\n"
                                       "Wait_Checked=True\r\nPopUp=False\r\nMethod=Big\r\n");

// Types a folder into the path box and presses Enter; what is not Latin-1 an input method commits.
void pointAt(WindowFixture &f, const QString &folder)
{
    auto *path = f.find<QLineEdit>("txtPath");
    QTest::mouseClick(path, Qt::LeftButton);
    QTest::keyClick(path, Qt::Key_A, Qt::ControlModifier);
    const qsizetype latin =
        std::find_if(folder.begin(), folder.end(), [](QChar c) { return c.unicode() > 0xFF; }) - folder.begin();
    QTest::keyClicks(path, folder.left(latin));
    QInputMethodEvent commit;
    commit.setCommitString(folder.mid(latin));
    QApplication::sendEvent(path, &commit);
    QTest::keyClick(path, Qt::Key_Return);
    QVERIFY(f.waitForScan());
}
void click(WindowFixture &f, const char *name)
{
    QTest::mouseClick(f.find(name), Qt::LeftButton, {}, QPoint(5, f.find(name)->height() / 2));
}
// Closes with Ctrl+X or File > Close by its access keys; true when the window went.
bool closeBy(WindowFixture &f, bool menu)
{
    menu ? f.chooseMenu('F', 'C') : QTest::keyClick(f.list(), Qt::Key_X, Qt::ControlModifier);
    return !f.w().isVisible();
}

} // namespace

class TestExit : public QObject
{
    Q_OBJECT

private slots:
    // The Startup folder typed (or not), all three slots checked, pop-up on, ascending order, then
    // closed. An unchanged slot without a folder is written "False" even when checked. A refused
    // close keeps the window and the changed folder: the next close asks again.
    void close_data()
    {
        QTest::addColumn<QString>("settings"); // empty: no settings file
        QTest::addColumn<QString>("folder");   // empty: none typed
        QTest::addColumn<int>("answer");       // 0: no question
        QTest::addColumn<bool>("diskRefuses"); // the first write of the settings file fails
        QTest::addColumn<QString>("refusal");  // the box after the question; empty: none
        QTest::addColumn<QString>("text");     // the settings file after the close
        // The old file's keys keep their places; the others are added at the end.
        const QString fresh = "[SplashwheelSet]\r\nStart_Checked=False\r\nWait_Checked=False\r\n"
                              "Shutdown_Checked=False\r\nPopUp=True\r\nMethod=Little\r\n";
        const QString old = "[SplashwheelSet]\r\nStart_Path=%1\r\nStart_Checked=%2\r\nWait_Checked=False\r\n"
                            "PopUp=True\r\nMethod=Little\r\nShutdown_Checked=False\r\n";
        const QString kept = old.arg("C:\\Old\\", "False"), none;
        const int yes = mb::AnswerYes;
        QTest::newRow("fresh, nothing changed") << none << none << 0 << false << none << fresh;
        QTest::newRow("yes") << OldFile << "C:\\Logos" << yes << false << none << old.arg("C:\\Logos\\", "True");
        QTest::newRow("no") << OldFile << "C:\\Logos" << int(mb::AnswerNo) << false << none << kept;
        QTest::newRow("cancel") << OldFile << "C:\\Logos" << int(mb::AnswerCancel) << false << none << OldFile;
        QTest::newRow("D:\\") << OldFile << "D:\\" << yes << false << none << old.arg("D:\\", "True");
        QTest::newRow("not in code page 950") << OldFile << "C:\\로고" << yes << false
                                              << "開機路徑無法儲存到設定檔，請改用其它目錄名稱!!" << kept;
        QTest::newRow("disk refuses") << OldFile << "C:\\Logos" << yes << true
            << "開機路徑無法寫入設定檔，請確定設定檔沒有被設為唯讀且磁碟不是寫入保護!!" << kept;
    }
    void close()
    {
        QFETCH(QString, settings); QFETCH(QString, folder); QFETCH(int, answer);
        QFETCH(bool, diskRefuses); QFETCH(QString, refusal); QFETCH(QString, text);
        WindowFixture f;
        QVERIFY(!f.tmp.addDrive(u'd').isEmpty());
        for (const char *logos : {"C:\\Old\\", "C:\\Logos\\", "C:\\로고\\", "D:\\"})
            QVERIFY(f.writeLogos(logos, {"a.bmp"}));
        if (diskRefuses)
            f.injectFaults().failNthCallOf(QStringLiteral("writeFileAtomic"), 1, rt::PermissionDenied);
        if (!settings.isEmpty())
            f.writeSettings(settings);
        QCOMPARE(f.start(), -1);
        if (!folder.isEmpty())
            pointAt(f, folder);
        for (const char *control : {"chkStartup", "chkWait", "chkShutdown", "optYes"})
            click(f, control);
        f.chooseMenu('M', 'L');
        if (answer)
            f.desktop.answer(answer);

        const bool stays = answer == mb::AnswerCancel || !refusal.isEmpty();
        QCOMPARE(closeBy(f, false), !stays);
        Boxes boxes = answer ? Boxes{question("開機")} : Boxes{};
        if (!refusal.isEmpty())
            boxes.append(settingsError(refusal));
        QCOMPARE(f.desktop.boxes, boxes);
        QCOMPARE(QString::fromLatin1(f.settingsBytes()), text);
        if (!stays)
            return;
        auto *path = f.find<QLineEdit>("txtPath"); // where the user fixes a refused folder
        QVERIFY(refusal.isEmpty() || (path->hasSelectedText() && path->selectedText() == path->text()));
        f.desktop.clear();
        f.desktop.answer(mb::AnswerNo);
        QVERIFY(f.w().close()); // the close box
        QCOMPARE(f.desktop.boxes, Boxes{question("開機")});
        QVERIFY(f.settingsBytes().startsWith("[SplashwheelSet]\r\nStart_Path=C:\\Old\\\r\n"));
    }

    // Both changed slots fail: two messages, the window stays; the next close, answered No
    // twice, lets it go.
    void twoFailingSlotsOneClose()
    {
        WindowFixture f;
        QVERIFY(f.tmp.makeFolder(QStringLiteral("C:\\Empty")));
        QVERIFY(f.writeLogo(QStringLiteral("C:\\a.bmp")));
        QCOMPARE(f.start(), -1);
        pointAt(f, QStringLiteral("C:\\Empty"));
        f.clickTab(LogoSlot::Wait);
        QVERIFY(f.waitForScan());
        f.typePath(QStringLiteral("C:\\"));
        QVERIFY(f.waitForScan());
        click(f, "optNo");
        f.chooseMenu('M', 'B');
        f.desktop.answer(mb::AnswerYes);
        f.desktop.answer(mb::AnswerYes);

        QVERIFY(!closeBy(f, true));
        QCOMPARE(f.desktop.boxes, (Boxes{question("開機"), settingsError(NoLogos), question("等待關機"),
                                         settingsError(RootOfC)}));
        QCOMPARE(f.find<QLineEdit>("txtPath")->selectedText(), QStringLiteral("C:\\"));
        QCOMPARE(f.settingsBytes(), "[SplashwheelSet]\r\nShutdown_Checked=False\r\nPopUp=False\r\nMethod=Big\r\n");

        f.desktop.clear();
        f.desktop.answer(mb::AnswerNo);
        f.desktop.answer(mb::AnswerNo);
        QVERIFY(closeBy(f, false));
        QCOMPARE(f.desktop.boxes, (Boxes{question("開機"), question("等待關機")}));
    }
};

QTEST_MAIN(TestExit)
#include "tst_exit.moc"
