// Deleting the selected logo file.
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/WindowFixture.h"
#include "ui/LogoList.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>

using namespace bg;
using namespace bg::test;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");

ScriptedDesktop::Box question(const QString &name)
{
    return {QStringLiteral("確定要將 '") + name + QStringLiteral("' 刪除嗎？"), 324,
            QStringLiteral("確認刪除檔案")};
}

} // namespace

class TestDelete : public QObject
{
    Q_OBJECT

    std::unique_ptr<FaultInjectingFileService> faulty;
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<QSignalSpy> scans;

    // Lists a.bmp, b.bmp, c.bmp and selects b.bmp.
    void start(const QStringList &names = {"a.bmp", "b.bmp", "c.bmp"}, int selected = 1)
    {
        QVERIFY(f->tmp.isValid());
        f->writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=") + Folder + "\n");
        QVERIFY(f->writeLogos(Folder, names));
        QVERIFY(f->load().showWindow);
        f->w().lstSys->setListIndex(selected);
        scans = std::make_unique<QSignalSpy>(f->w().lstSys, &LogoList::entryChosen);
    }
    void useFaultyFiles()
    {
        faulty = std::make_unique<FaultInjectingFileService>(f->tmp.files());
        f->services.reset(new Services{f->tmp.prefix(), *faulty, f->desktop, f->pictures,
                                       f->services->programFolder, QString(), false});
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup()
    {
        scans.reset();
        f.reset();
        faulty.reset();
    }

    void answeredNoKeepsEverything()
    {
        start();
        f->desktop.answer(mb::AnswerNo);
        f->w().mnuDelete->trigger();
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>{question("b.bmp")});
        QVERIFY(f->tmp.exists(Folder + "b.bmp"));
        QCOMPARE(f->entries(), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
        QCOMPARE(scans->count(), 0);
    }

    void answeredYesDeletes_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("normal") << false;
        QTest::newRow("read-only") << true;
    }
    void answeredYesDeletes()
    {
        QFETCH(bool, readOnly);
        start();
        QVERIFY(f->tmp.setReadOnly(Folder + "b.bmp", readOnly));
        f->desktop.answer(mb::AnswerYes);
        f->w().mnuDelete_Click();
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>{question("b.bmp")});
        QVERIFY(!f->tmp.exists(Folder + "b.bmp"));
        QCOMPARE(f->entries(), QStringList({"a.bmp", "c.bmp"}));
        QCOMPARE(f->w().lstSys->listIndex(), 0);
        QCOMPARE(scans->count(), 1);
    }

    void fileAlreadyGone()
    {
        start();
        QVERIFY(QFile::remove(f->tmp.host(Folder + "b.bmp")));
        f->desktop.answer(mb::AnswerYes);
        f->w().mnuDelete_Click();
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>{question("b.bmp")});
        QCOMPARE(f->entries(), QStringList({"a.bmp", "c.bmp"}));
    }

    void undeletableFile_data()
    {
        QTest::addColumn<int>("error");
        QTest::newRow("in use") << int(rt::PermissionDenied);
        QTest::newRow("other") << int(rt::PathFileAccess);
    }
    void undeletableFile()
    {
        QFETCH(int, error);
        useFaultyFiles();
        faulty->failEveryCallOf(QStringLiteral("deleteFile"), error);
        start();
        f->desktop.answer(mb::AnswerYes);
        f->w().mnuDelete_Click();
        const ScriptedDesktop::Box refused{
            QStringLiteral("無法刪除 b.bmp: 存取被拒絕。\r\n\r\n請確定磁碟仍有可用空間且不是寫入保護，"
                           "\r\n以及該檔案目前不是使用中。"),
            16, QStringLiteral("刪除檔案發生錯誤")};
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>({question("b.bmp"), refused}));
        QVERIFY(f->tmp.exists(Folder + "b.bmp"));
        QCOMPARE(f->entries(), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
        QCOMPARE(f->w().lstSys->currentText(), QStringLiteral("b.bmp"));
        QCOMPARE(scans->count(), 0);
    }

    void lastEntryLeavesAnEmptyList()
    {
        start({"only.bmp"}, 0);
        f->desktop.answer(mb::AnswerYes);
        f->w().mnuDelete_Click();
        QVERIFY(f->entries().isEmpty());
        QVERIFY(!f->w().mnuDelete->isEnabled());
        QVERIFY(!f->w().mnuRename->isEnabled());
    }
};

QTEST_MAIN(TestDelete)
#include "tst_delete.moc"
