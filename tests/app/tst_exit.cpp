// Closing the main window: questions about changed folders, the checks, the settings save.
#include "platform/PrivateProfile.h"
#include "platform/RuntimeError.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Box = ScriptedDesktop::Box;

namespace {

Box question(const QString &slotWord)
{
    return {slotWord + QStringLiteral("路徑已改變，儲存剛剛的設定？"), mb::ExclamationYesNoCancel,
            QStringLiteral("Bootgallery")};
}
const Box NoLogos{QStringLiteral("您所設定的目錄並沒有任何LOGO可供更換，請重新設定!!"), mb::Critical,
                  QStringLiteral("設定錯誤")};
const Box RootOfC{QStringLiteral("此目錄沒有足夠的LOGO可供更換，請重新指定目錄!!"), mb::Critical,
                  QStringLiteral("設定錯誤")};

const QString OldFile = QStringLiteral("[SplashwheelSet]\r\nStart_Path=C:\\Old\\\r\n"
                                       "Start_Checked=False\r\nWait_Checked=True\r\n"
                                       "PopUp=False\r\nMethod=Big\r\n");

} // namespace

class TestExit : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    void start(const QString &settings, bool withFaults = false)
    {
        QVERIFY(f->tmp.isValid());
        if (!settings.isEmpty())
            f->writeSettings(settings);
        if (withFaults)
            f->injectFaults();
        QVERIFY(f->load().showWindow);
        f->desktop.clear();
    }
    // Points the open slot at a folder, as Enter in the path box does.
    void pointAt(const QString &folder)
    {
        f->w().rescan(folder, false);
        QVERIFY(f->w().state.folderChanged[size_t(index(f->w().state.currentSlot))]);
    }
    QString value(const QString &key)
    {
        PrivateProfile profile(f->tmp.files());
        return profile.getText(QStringLiteral("SplashwheelSet"), key, QStringLiteral("<none>"),
                               1024, QStringLiteral("C:\\WINDOWS\\SW.ini"));
    }
    bool unload()
    {
        bool cancel = false;
        f->w().Form_Unload(cancel);
        return cancel;
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void freshFile_data()
    {
        QTest::addColumn<bool>("changeStartup");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray rest("Start_Checked=False\r\nWait_Checked=False\r\n"
                              "Shutdown_Checked=False\r\nPopUp=True\r\nMethod=Random\r\n");
        QTest::newRow("nothing changed") << false << "[SplashwheelSet]\r\n" + rest;
        QTest::newRow("startup folder saved")
            << true << "[SplashwheelSet]\r\nStart_Path=C:\\Logos\\\r\n" + rest;
    }
    // An unchanged slot without a folder is written "False" even when checked.
    void freshFile()
    {
        QFETCH(bool, changeStartup);
        QFETCH(QByteArray, bytes);
        QVERIFY(f->writeLogos(QStringLiteral("C:\\Logos\\"), {"a.bmp"}));
        start(QString());
        f->w().chkWait->setChecked(true);
        f->w().chkShutdown->setChecked(true);
        if (changeStartup) {
            pointAt(QStringLiteral("C:\\Logos"));
            f->desktop.answer(mb::AnswerYes);
        }
        QVERIFY(!unload());
        QCOMPARE(f->settingsBytes(), bytes);
        QCOMPARE(f->desktop.boxes, changeStartup ? QList<Box>{question("開機")} : QList<Box>{});
    }

    void answers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QString>("text");
        // The old file's keys keep their places; Shutdown_Checked is added at the end.
        const QString file = QStringLiteral("[SplashwheelSet]\r\nStart_Path=C:\\%1\\\r\nStart_Checked=%2"
                                            "\r\nWait_Checked=False\r\nPopUp=True\r\n"
                                            "Method=Little\r\nShutdown_Checked=False\r\n");
        QTest::newRow("yes") << int(mb::AnswerYes) << false << file.arg("Logos", "True");
        QTest::newRow("no") << int(mb::AnswerNo) << false << file.arg("Old", "False");
        QTest::newRow("cancel") << int(mb::AnswerCancel) << true << OldFile;
    }
    void answers()
    {
        QFETCH(int, answer);
        QFETCH(bool, cancelled);
        QFETCH(QString, text);
        QVERIFY(f->writeLogos("C:\\Old\\", {"o.bmp"}) && f->writeLogos("C:\\Logos\\", {"a.bmp"}));
        start(OldFile);
        pointAt(QStringLiteral("C:\\Logos"));
        f->w().chkStartup->setChecked(true);
        f->w().optYes->setChecked(true);
        f->w().mnuBig->setChecked(false);
        f->w().mnuLittle->setChecked(true);
        f->desktop.answer(answer);

        QCOMPARE(unload(), cancelled);
        QCOMPARE(f->desktop.boxes, QList<Box>{question("開機")});
        QCOMPARE(QString::fromLatin1(f->settingsBytes()), text);
        QCOMPARE(f->w().state.folderChanged[0], answer != mb::AnswerYes);
    }

    void folderChecks_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("withLogo");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        QTest::newRow("no logos") << "C:\\Empty" << false << NoLogos.prompt;
        QTest::newRow("C:\\") << "C:\\" << true << RootOfC.prompt;
        QTest::newRow("c:\\") << "c:\\" << true << RootOfC.prompt;
        QTest::newRow("D:\\") << "D:\\" << true << QString();
    }
    void folderChecks()
    {
        QFETCH(QString, folder);
        QFETCH(bool, withLogo);
        QFETCH(QString, refusal);
        QVERIFY(!f->tmp.addDrive(u'd').isEmpty());
        QVERIFY(f->tmp.makeFolder(folder));
        if (withLogo)
            QVERIFY(f->writeLogo(folder.toUpper() + "a.bmp"));
        start(QString());
        pointAt(folder);
        f->desktop.answer(mb::AnswerYes);

        const bool refused = !refusal.isEmpty();
        QCOMPARE(unload(), refused);
        QList<Box> boxes{question("開機")};
        if (refused)
            boxes.append(refusal == NoLogos.prompt ? NoLogos : RootOfC);
        QCOMPARE(f->desktop.boxes, boxes);
        QCOMPARE(f->w().state.folderChanged[0], refused);
        const QStringList written{value("Start_Path"), value("Start_Checked"), value("Method")};
        QCOMPARE(written, (refused ? QStringList{"<none>", "<none>", "Random"}
                                   : QStringList{"D:\\", "False", "Random"}));
        if (refused)
            QCOMPARE(f->w().txtPath->selectedText(), f->w().txtPath->text());
    }

    // The close through the File menu: both changed slots fail, two messages, the window stays;
    // the next close, answered No twice, lets it go.
    void twoFailingSlotsOneClose()
    {
        QVERIFY(f->tmp.makeFolder(QStringLiteral("C:\\Empty")));
        QVERIFY(f->writeLogo(QStringLiteral("C:\\a.bmp")));
        start(QString());
        pointAt(QStringLiteral("C:\\Empty"));
        f->w().lblWait_Click();
        pointAt(QStringLiteral("C:\\"));
        f->w().optNo->setChecked(true);
        f->w().mnuRandom->setChecked(false);
        f->w().mnuBig->setChecked(true);
        f->w().show();
        f->desktop.answer(mb::AnswerYes);
        f->desktop.answer(mb::AnswerYes);

        f->w().mnuClose_Click();

        QVERIFY(f->w().isVisible());
        QCOMPARE(f->desktop.boxes,
                 (QList<Box>{question("開機"), NoLogos, question("等待關機"), RootOfC}));
        QCOMPARE(f->w().txtPath->selectedText(), QStringLiteral("C:\\"));
        const QStringList written{value("Start_Path"), value("Wait_Path"),
                                  value("Shutdown_Checked"), value("PopUp"), value("Method")};
        QCOMPARE(written, (QStringList{"<none>", "<none>", "False", "False", "Big"}));

        f->desktop.clear();
        f->desktop.answer(mb::AnswerNo);
        f->desktop.answer(mb::AnswerNo);
        f->w().mnuClose_Click();
        QVERIFY(!f->w().isVisible());
        QCOMPARE(f->desktop.boxes, (QList<Box>{question("開機"), question("等待關機")}));
    }

    // A folder the settings file did not take: the user is told, the window stays, the rest is
    // written.
    void folderNotWritten_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("diskRefuses");
        QTest::addColumn<QString>("told");
        QTest::newRow("not in code page 950") << QStringLiteral("C:\\로고") << false
                                              << "開機路徑無法儲存到設定檔，請改用其它目錄名稱!!";
        QTest::newRow("disk refuses")
            << QStringLiteral("C:\\Logos") << true
            << "開機路徑無法寫入設定檔，請確定設定檔沒有被設為唯讀且磁碟不是寫入保護!!";
    }
    void folderNotWritten()
    {
        QFETCH(QString, folder);
        QFETCH(bool, diskRefuses);
        QFETCH(QString, told);
        QVERIFY(f->writeLogos("C:\\Old\\", {"o.bmp"}) && f->writeLogos(folder + "\\", {"a.bmp"}));
        start(OldFile, diskRefuses);
        pointAt(folder);
        f->w().chkStartup->setChecked(true);
        if (diskRefuses)
            f->faults->failNthCallOf(QStringLiteral("writeFileAtomic"), 1, rt::PermissionDenied);
        f->desktop.answer(mb::AnswerYes);

        QVERIFY(unload());
        const Box notSaved{told, mb::Critical, "設定錯誤"};
        QCOMPARE(f->desktop.boxes, (QList<Box>{question("開機"), notSaved}));
        QVERIFY(f->w().state.folderChanged[0]);
        const QStringList written{value("Start_Path"), value("Start_Checked"),
                                  value("Shutdown_Checked"), value("Method")};
        QCOMPARE(written, (QStringList{"C:\\Old\\", "False", "False", "Big"}));

        f->desktop.answer(mb::AnswerNo);
        QVERIFY(!unload());
        QVERIFY(f->w().state.folderChanged[0]);
    }
};

QTEST_MAIN(TestExit)
#include "tst_exit.moc"
