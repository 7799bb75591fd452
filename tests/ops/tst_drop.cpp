// Pictures dropped on the logo list.
#include "support/FaultInjectingFileService.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/LogoList.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace bg;
using namespace bg::test;
using Boxes = QList<ScriptedDesktop::Box>;

namespace {
const QString Folder = QStringLiteral("C:\\Logos\\");
const QString In = QStringLiteral("C:\\In\\");
const ScriptedDesktop::Box Denied{"沒有檔案的使用權限。", 16, "加入失敗"};
const ScriptedDesktop::Box NotFound{"找不到來源檔案。", 16, "加入失敗"};
ScriptedDesktop::Box replaceQuestion(const QString &name)
{
    return {"'" + name + "' 檔案已經存在，是否要覆蓋此檔？", 292, "確認取代檔案"};
}
} // namespace

class TestDrop : public QObject
{
    Q_OBJECT
    std::unique_ptr<FaultInjectingFileService> faulty;
    std::unique_ptr<WindowFixture> f;
    int scans = 0; // each re-scan of a non-empty folder selects its first entry once

    // The folder lists b.bmp; a.bmp, b.bmp and c.bmp wait in C:\In\ to be dropped.
    void start(int failCopyWith = 0)
    {
        if (failCopyWith) {
            faulty = std::make_unique<FaultInjectingFileService>(f->tmp.files());
            faulty->failEveryCallOf("copyFile", failCopyWith);
            f->services.reset(new Services{f->tmp.prefix(), *faulty, f->desktop, f->pictures,
                                           f->services->programFolder, {}, false});
        }
        f->writeSettings("[SplashwheelSet]\nStart_Path=" + Folder + "\n");
        QVERIFY(f->writeLogos(Folder, {"b.bmp"}) && f->writeLogos(In, {"a.bmp", "b.bmp", "c.bmp"}));
        QVERIFY(f->load().showWindow);
        connect(f->w().lstSys, &LogoList::entryChosen, this, [this] { ++scans; });
    }
    void drop(const QStringList &windowsOrHostPaths)
    {
        QList<QUrl> urls;
        for (const QString &p : windowsOrHostPaths)
            urls << QUrl::fromLocalFile(p.startsWith('/') ? p : f->tmp.host(p));
        QMimeData data;
        data.setUrls(urls);
        QVERIFY(f->w().lstSys_OLEDragOver(&data));
        f->w().lstSys_OLEDragDrop(&data);
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); scans = 0; }
    void cleanup() { f.reset(); faulty.reset(); }

    void refusedData_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::newRow("text only") << QList<QUrl>{};
        QTest::newRow("web address") << QList<QUrl>{QUrl("https://example.com/a.bmp")};
        QTest::newRow("other host") << QList<QUrl>{QUrl("file://server.example/a.bmp")};
    }
    void refusedData()
    {
        QFETCH(QList<QUrl>, urls);
        start();
        QMimeData data;
        data.setText("/tmp/a.bmp");
        data.setUrls(urls);
        QVERIFY(!f->w().lstSys_OLEDragOver(&data));
        f->w().lstSys_OLEDragDrop(&data);
        QVERIFY(f->desktop.boxes.isEmpty());
        QCOMPARE(scans, 0);
    }

    void threeLogosSecondExists_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("keep") << int(mb::AnswerNo);
        QTest::newRow("replace") << int(mb::AnswerYes);
    }
    void threeLogosSecondExists()
    {
        QFETCH(int, answer);
        start();
        const QByteArray old = f->tmp.readFile(Folder + "b.bmp");
        f->desktop.answer(answer);
        drop({In + "a.bmp", In + "b.bmp", In + "c.bmp"});
        QCOMPARE(f->desktop.boxes, Boxes{replaceQuestion("b.bmp")});
        QCOMPARE(f->tmp.readFile(Folder + "c.bmp"), f->tmp.readFile(In + "c.bmp"));
        QCOMPARE(f->tmp.readFile(Folder + "b.bmp"),
                 answer == mb::AnswerYes ? f->tmp.readFile(In + "b.bmp") : old);
        QCOMPARE(f->entries(), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
        QCOMPARE(scans, 1);
    }

    // What is no logo is passed over without a word; the logo dropped last is added.
    void nonLogosAreSkippedSilently()
    {
        start();
        QVERIFY(f->tmp.writeFile(In + "deep.bmp", pictures::bmp(QSize(320, 400), 24)));
        QVERIFY(f->tmp.writeFile(In + "small.bmp", pictures::bmp(QSize(100, 80), 8)));
        QVERIFY(f->tmp.writeFileOfSize(In + "text.txt", 129078));
        QVERIFY(f->tmp.makeFolder(In + "folder.bmp"));
        // The folder's own file, named in other letters.
        drop({In + "deep.bmp", In + "small.bmp", In + "text.txt", "c:\\logos\\B.BMP",
              In + "folder.bmp", In + "a.bmp"});
        QVERIFY(f->desktop.boxes.isEmpty());
        QCOMPARE(scans, 1);
        QCOMPARE(QDir(f->tmp.host(Folder)).entryList(QDir::Files), QStringList({"a.bmp", "b.bmp"}));
    }

    void errorEndsTheDrop_data()
    {
        QTest::addColumn<QString>("second"); // the second dropped file
        QTest::addColumn<int>("copyError");
        QTest::addColumn<Boxes>("boxes");
        QTest::newRow("read-only destination") << In + "b.bmp" << 0
                                               << Boxes{replaceQuestion("b.bmp"), Denied};
        QTest::newRow("vanished file") << In + "gone.bmp" << 0 << Boxes{NotFound};
        QTest::newRow("no Windows form") << "/tmp/what?.bmp" << 0 << Boxes{NotFound};
        QTest::newRow("other error") << In + "c.bmp" << 61
                                     << Boxes{{"程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！", 16, "錯誤編號61"}};
    }
    void errorEndsTheDrop()
    {
        QFETCH(QString, second);
        QFETCH(int, copyError);
        QFETCH(Boxes, boxes);
        start(copyError);
        QVERIFY(f->tmp.setReadOnly(Folder + "b.bmp", true));
        f->desktop.answer(mb::AnswerYes);
        drop(copyError ? QStringList{second, In + "a.bmp"} : QStringList{In + "a.bmp", second, In + "c.bmp"});
        QCOMPARE(f->desktop.boxes, boxes);
        QCOMPARE(f->tmp.exists(Folder + "a.bmp"), !copyError); // copied, but no re-scan
        QVERIFY(!f->tmp.exists(Folder + "c.bmp"));                // never examined
        QCOMPARE(f->entries(), QStringList{"b.bmp"});
        QCOMPARE(scans, 0);
    }
};

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
