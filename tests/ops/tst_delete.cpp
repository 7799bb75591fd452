// Deleting the selected logo file.
#include "support/FaultInjectingFileService.h"
#include "support/WindowFixture.h"
#include "ui/LogoList.h"

#include <QAction>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Boxes = QList<ScriptedDesktop::Box>;

class TestDelete : public QObject
{
    Q_OBJECT

private slots:
    void deleteSelected_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("setup"); // "no" answers No; "read-only", "gone", "refused"
        QTest::addColumn<QStringList>("after");
        const QStringList abc{"a.bmp", "b.bmp", "c.bmp"}, ac{"a.bmp", "c.bmp"};
        QTest::newRow("no") << abc << "no" << abc;
        QTest::newRow("yes") << abc << "" << ac;
        QTest::newRow("read-only") << abc << "read-only" << ac;
        QTest::newRow("already gone") << abc << "gone" << ac;
        QTest::newRow("refused") << abc << "refused" << abc;
        QTest::newRow("last entry") << QStringList{"b.bmp"} << "" << QStringList{};
    }
    void deleteSelected()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, setup);
        QFETCH(QStringList, after);
        WindowFixture f;
        FaultInjectingFileService faulty(f.tmp.files());
        faulty.failEveryCallOf("deleteFile", 70); // a file in use, a write-protected disk
        if (setup == "refused")
            f.services.reset(new Services{f.tmp.prefix(), faulty, f.desktop, f.pictures,
                                          f.services->programFolder, {}, false});
        f.writeSettings("[SplashwheelSet]\nStart_Path=C:\\Logos\\\n");
        QVERIFY(f.writeLogos("C:\\Logos\\", names));
        QVERIFY(f.load().showWindow);
        f.w().lstSys->setListIndex(names.indexOf("b.bmp"));
        QVERIFY(f.tmp.setReadOnly("C:\\Logos\\b.bmp", setup == "read-only"));
        if (setup == "gone")
            QVERIFY(QFile::remove(f.tmp.host("C:\\Logos\\b.bmp")));
        int scans = 0;
        connect(f.w().lstSys, &LogoList::entryChosen, this, [&scans] { ++scans; });

        f.desktop.answer(setup == "no" ? mb::AnswerNo : mb::AnswerYes);
        f.w().mnuDelete->trigger();

        Boxes boxes{{"確定要將 'b.bmp' 刪除嗎？", 324, "確認刪除檔案"}};
        if (setup == "refused")
            boxes.append({"無法刪除 b.bmp: 存取被拒絕。\r\n\r\n請確定磁碟仍有可用空間且不是寫入保護，"
                          "\r\n以及該檔案目前不是使用中。", 16, "刪除檔案發生錯誤"});
        QCOMPARE(f.desktop.boxes, boxes);
        QCOMPARE(f.entries(), after);
        QCOMPARE(f.tmp.exists("C:\\Logos\\b.bmp"), after.contains("b.bmp"));
        QCOMPARE(scans, setup != "no" && setup != "refused" && !after.isEmpty() ? 1 : 0);
        QCOMPARE(f.w().mnuDelete->isEnabled(), !after.isEmpty());
        f.window.reset(); // before the file service it uses
    }
};

QTEST_MAIN(TestDelete)
#include "tst_delete.moc"
