// Pictures dropped on the logo list from a file manager.
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using namespace bg;
using namespace bg::test;
using Boxes = QList<ScriptedDesktop::Box>;

namespace {
const QString Folder = QStringLiteral("C:\\Logos\\"), In = QStringLiteral("C:\\In\\");
const ScriptedDesktop::Box Denied{"沒有檔案的使用權限。", 16, "加入失敗"},
    NotFound{"找不到來源檔案。", 16, "加入失敗"};
const ScriptedDesktop::Box ReplaceB{"'b.bmp' 檔案已經存在，是否要覆蓋此檔？", 292, "確認取代檔案"};
const QStringList ABC{"a.bmp", "b.bmp", "c.bmp"}, AB{"a.bmp", "b.bmp"}, B{"b.bmp"};

// The files dropped (Windows paths, or host paths from /), the answer whether to replace b.bmp,
// the error of every copy (-1: b.bmp is read-only); the boxes, C:\Logos\ and the entries then.
struct Drop
{
    QStringList dropped;
    int answer, copyError;
    Boxes boxes;
    QStringList files, listed;
    bool duringScan = false;
};

// C:\Logos\ lists b.bmp; a.bmp, b.bmp, c.bmp and files that are no logos wait in C:\In\.
void open(WindowFixture &f)
{
    f.writeSettings("[SplashwheelSet]\nStart_Path=" + Folder + "\n");
    QVERIFY(f.writeLogos(Folder, {"b.bmp"}) && f.writeLogos(In, ABC));
    QVERIFY(f.tmp.writeFile(In + "deep.bmp", pictures::bmp(QSize(320, 400), 24)));
    QVERIFY(f.tmp.writeFile(In + "small.bmp", pictures::bmp(QSize(100, 80), 8)));
    QVERIFY(f.tmp.writeFileOfSize(In + "text.txt", 129078) && f.tmp.makeFolder(In + "dir.bmp"));
    QCOMPARE(f.start(), -1);
}
} // namespace
Q_DECLARE_METATYPE(Drop)

class TestDrop : public QObject
{
    Q_OBJECT

private slots:
    // What is no list of local files is refused when it comes over the list and when dropped.
    void refusedData()
    {
        WindowFixture f;
        open(f);
        for (const QList<QUrl> &urls : {QList<QUrl>{}, {QUrl("https://example.com/a.bmp")},
                                        {QUrl("file://server.example/a.bmp")}}) {
            QMimeData data;
            data.setText(f.tmp.host(In + "a.bmp"));
            data.setUrls(urls);
            const QPoint at = f.listViewport()->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(f.listViewport(), &enter);
            QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(f.listViewport(), &drop);
            QVERIFY(!enter.isAccepted() && !drop.isAccepted());
        }
        QVERIFY(f.desktop.boxes.isEmpty() && !f.tmp.exists(Folder + "a.bmp"));
    }

    void drop_data()
    {
        QTest::addColumn<Drop>("d");
        const QStringList three{In + "a.bmp", In + "b.bmp", In + "c.bmp"};
        QTest::newRow("keep the existing") << Drop{three, mb::AnswerNo, 0, {ReplaceB}, ABC, ABC};
        QTest::newRow("replace it") << Drop{three, mb::AnswerYes, 0, {ReplaceB}, ABC, ABC};
        // What is no logo is passed over without a word, a folder and the folder's own file too.
        QTest::newRow("no logos among them")
            << Drop{{In + "deep.bmp", In + "small.bmp", In + "text.txt", "c:\\logos\\B.BMP",
                     In + "dir.bmp", In + "a.bmp"}, 0, 0, {}, AB, AB};
        // Held until the scan has ended, then added and listed after the next scan.
        QTest::newRow("during a scan") << Drop{{In + "a.bmp"}, 0, 0, {}, AB, AB, true};
        // An error ends the drop with its message; what was copied waits for the next scan.
        QTest::newRow("read-only destination")
            << Drop{three, mb::AnswerYes, -1, {ReplaceB, Denied}, AB, B};
        QTest::newRow("vanished file")
            << Drop{{In + "a.bmp", In + "gone.bmp", In + "c.bmp"}, 0, 0, {NotFound}, AB, B};
        QTest::newRow("no Windows form")
            << Drop{{In + "a.bmp", "/tmp/what?.bmp", In + "c.bmp"}, 0, 0, {NotFound}, AB, B};
        QTest::newRow("other error") << Drop{{In + "c.bmp", In + "a.bmp"}, 0, 61,
            {{"程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！", 16, "錯誤編號61"}}, B, B};
    }
    void drop()
    {
        QFETCH(Drop, d);
        WindowFixture f;
        FaultInjectingFileService &faults = f.injectFaults(); // passes calls on unless told
        if (d.copyError > 0)
            faults.failEveryCallOf("copyFile", d.copyError);
        open(f);
        QVERIFY(f.tmp.setReadOnly(Folder + "b.bmp", d.copyError < 0));
        const QByteArray old = f.tmp.readFile(Folder + "b.bmp");
        QSignalSpy scans(&f.w(), &MainWindow::scanFinished);
        if (d.duringScan) {
            f.holdScans();
            QTest::keyClick(f.find("lstSys"), Qt::Key_F5);
            QTRY_VERIFY(f.w().isScanning());
        }
        f.desktop.answer(d.answer);
        for (QString &path : d.dropped)
            path = path.startsWith('/') ? path : f.tmp.host(path);
        QVERIFY(f.dropOnList(d.dropped));
        QTest::qWait(20);
        QCOMPARE(f.tmp.exists(Folder + "a.bmp"), d.files.contains("a.bmp") && !d.duringScan);
        f.releaseScans();
        QTRY_COMPARE(scans.size(), (d.listed.size() > 1) + d.duringScan); // none after an error
        QCOMPARE(f.desktop.boxes, d.boxes);
        QCOMPARE(QDir(f.tmp.host(Folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 d.files);
        QCOMPARE(f.entries(), d.listed);
        const bool replaced = d.answer == mb::AnswerYes && d.copyError == 0;
        QCOMPARE(f.tmp.readFile(Folder + "b.bmp"), replaced ? f.tmp.readFile(In + "b.bmp") : old);
    }
};

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
