// Pictures dropped on the logo list.
#include "ops/LogoDropAdder.h"
#include "platform/RuntimeError.h"
#include "support/FaultInjectingFileService.h"
#include "support/PictureFactory.h"
#include "support/WindowFixture.h"
#include "ui/LogoList.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using namespace bg;
using namespace bg::test;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");
const QString Incoming = QStringLiteral("C:\\Incoming\\");

std::unique_ptr<QMimeData> fileList(const QStringList &hostPaths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &p : hostPaths)
        urls.append(QUrl::fromLocalFile(p));
    data->setUrls(urls);
    return data;
}

ScriptedDesktop::Box box(const QString &prompt, int style, const QString &title)
{
    return {prompt, style, title};
}

ScriptedDesktop::Box replaceQuestion(const QString &name)
{
    return box(QStringLiteral("'") + name + QStringLiteral("' 檔案已經存在，是否要覆蓋此檔？"), 292,
               QStringLiteral("確認取代檔案"));
}

} // namespace

class TestDrop : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<QSignalSpy> scans; // each re-scan of a non-empty folder selects entry 0 once

    void start(const QStringList &inFolder = {QStringLiteral("old.bmp")})
    {
        QVERIFY(f->tmp.isValid());
        f->writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=") + Folder + "\n");
        QVERIFY(f->tmp.makeFolder(Folder));
        QVERIFY(f->writeLogos(Folder, inFolder));
        QVERIFY(f->load().showWindow);
        scans = std::make_unique<QSignalSpy>(f->w().lstSys, &LogoList::entryChosen);
    }
    QString incoming(const QString &name, int shade)
    {
        const QString path = Incoming + name;
        if (!f->writeLogo(path, shade))
            return {};
        return f->tmp.host(path);
    }
    void drop(const QStringList &hostPaths)
    {
        const auto data = fileList(hostPaths);
        QVERIFY(f->w().lstSys_OLEDragOver(data.get()));
        f->w().lstSys_OLEDragDrop(data.get());
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup()
    {
        scans.reset();
        f.reset();
    }

    void dragOver_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("local files") << QList<QUrl>{QUrl::fromLocalFile("/tmp/a.bmp"),
                                                   QUrl::fromLocalFile("/tmp/b.bmp")}
                                     << QString() << true;
        QTest::newRow("localhost") << QList<QUrl>{QUrl("file://localhost/tmp/a.bmp")} << QString()
                                   << true;
        QTest::newRow("text only") << QList<QUrl>{} << QStringLiteral("/tmp/a.bmp") << false;
        QTest::newRow("web address") << QList<QUrl>{QUrl("https://example.com/a.bmp")}
                                     << QString() << false;
        QTest::newRow("other host") << QList<QUrl>{QUrl("file://fileserver.example/a.bmp")}
                                    << QString() << false;
        QTest::newRow("mixed") << QList<QUrl>{QUrl::fromLocalFile("/tmp/a.bmp"),
                                              QUrl("https://example.com/b.bmp")}
                               << QString() << false;
    }
    void dragOver()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QMimeData data;
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!text.isEmpty())
            data.setText(text);
        start();
        QCOMPARE(f->w().lstSys_OLEDragOver(&data), accepted);
        if (!accepted) {
            f->w().lstSys_OLEDragDrop(&data);
            QVERIFY(f->desktop.boxes.isEmpty());
            QCOMPARE(scans->count(), 0);
        }
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
        start({QStringLiteral("b.bmp")});
        const QByteArray before = f->tmp.readFile(Folder + "b.bmp");
        const QStringList dropped = {incoming("a.bmp", 11), incoming("b.bmp", 12),
                                     incoming("c.bmp", 13)};
        f->desktop.answer(answer);
        drop(dropped);

        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>{replaceQuestion("b.bmp")});
        QCOMPARE(f->tmp.readFile(Folder + "a.bmp"), f->tmp.readFile(Incoming + "a.bmp"));
        QCOMPARE(f->tmp.readFile(Folder + "c.bmp"), f->tmp.readFile(Incoming + "c.bmp"));
        QCOMPARE(f->tmp.readFile(Folder + "b.bmp"),
                 answer == mb::AnswerYes ? f->tmp.readFile(Incoming + "b.bmp") : before);
        QCOMPARE(f->entries(), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
        QCOMPARE(scans->count(), 1);
    }

    void filesThatFailAreSkipped()
    {
        start();
        QVERIFY(f->tmp.writeFile(Incoming + "deep.bmp", pictures::bmp(QSize(320, 400), 24)));
        QVERIFY(f->tmp.writeFile(Incoming + "small.bmp", pictures::bmp(QSize(100, 80), 8)));
        QVERIFY(f->tmp.writeFile(Incoming + "logo.png", pictures::png(QSize(320, 400))));
        QVERIFY(f->tmp.writeFileOfSize(Incoming + "text.txt", 129078));
        drop({f->tmp.host(Incoming + "deep.bmp"), f->tmp.host(Incoming + "small.bmp"),
              f->tmp.host(Incoming + "logo.png"), f->tmp.host(Incoming + "text.txt")});
        QVERIFY(f->desktop.boxes.isEmpty());
        QCOMPARE(scans->count(), 0);
        for (const char *name : {"deep.bmp", "small.bmp", "logo.png", "text.txt"})
            QVERIFY(!f->tmp.exists(Folder + QLatin1String(name)));
    }

    void fileAlreadyInFolderInOtherCase()
    {
        // The folder as the settings spell it, the file as the disk spells it.
        QVERIFY(f->tmp.isValid());
        f->writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=c:\\logos\\\n"));
        QVERIFY(f->writeLogos(QStringLiteral("C:\\LOGOS\\"), {QStringLiteral("Own.BMP")}));
        QVERIFY(f->load().showWindow);
        QSignalSpy spy(f->w().lstSys, &LogoList::entryChosen);
        drop({f->tmp.host(QStringLiteral("C:\\LOGOS\\Own.BMP"))});
        QVERIFY(f->desktop.boxes.isEmpty());
        QCOMPARE(spy.count(), 0);
    }

    void readOnlyDestinationEndsTheDrop()
    {
        start({QStringLiteral("b.bmp")});
        QVERIFY(f->tmp.setReadOnly(Folder + "b.bmp", true));
        const QStringList dropped = {incoming("a.bmp", 21), incoming("b.bmp", 22),
                                     incoming("c.bmp", 23)};
        f->desktop.answer(mb::AnswerYes);
        drop(dropped);

        QCOMPARE(f->desktop.boxes,
                 QList<ScriptedDesktop::Box>({replaceQuestion("b.bmp"),
                                              box("沒有檔案的使用權限。", 16, "加入失敗")}));
        QVERIFY(f->tmp.exists(Folder + "a.bmp"));  // copied ...
        QCOMPARE(f->entries(), QStringList{"b.bmp"}); // ... but not listed: no re-scan
        QVERIFY(!f->tmp.exists(Folder + "c.bmp"));
        QCOMPARE(scans->count(), 0);
    }

    void missingFile_data()
    {
        QTest::addColumn<bool>("afterATakenFile");
        QTest::addColumn<bool>("noWindowsForm");
        QTest::newRow("first, vanished") << false << false;
        QTest::newRow("second, vanished") << true << false;
        QTest::newRow("first, name Windows cannot hold") << false << true;
    }
    void missingFile()
    {
        QFETCH(bool, afterATakenFile);
        QFETCH(bool, noWindowsForm);
        start();
        QStringList dropped;
        if (afterATakenFile)
            dropped << incoming("a.bmp", 31);
        if (noWindowsForm) {
            const QString host = f->tmp.baseDir() + QStringLiteral("/what?.bmp");
            QFile file(host);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(pictures::bmp(QSize(320, 400), 8));
            dropped << host;
        } else {
            dropped << f->tmp.host(Incoming) + QStringLiteral("/gone.bmp");
        }
        dropped << incoming("z.bmp", 32);
        drop(dropped);

        QCOMPARE(f->desktop.boxes,
                 QList<ScriptedDesktop::Box>{box("找不到來源檔案。", 16, "加入失敗")});
        QCOMPARE(f->tmp.exists(Folder + "a.bmp"), afterATakenFile);
        QVERIFY(!f->tmp.exists(Folder + "z.bmp"));
        QCOMPARE(scans->count(), 0);
    }

    void otherErrorsShowTheirNumber_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        const QString unexpected = QStringLiteral("程式出現不可預期的錯誤，請告知程式設計師錯誤的資訊！");
        QTest::newRow("53") << 53 << QStringLiteral("找不到來源檔案。") << QStringLiteral("加入失敗");
        QTest::newRow("70") << 70 << QStringLiteral("沒有檔案的使用權限。") << QStringLiteral("加入失敗");
        QTest::newRow("61") << 61 << unexpected << QStringLiteral("錯誤編號61");
        QTest::newRow("76") << 76 << unexpected << QStringLiteral("錯誤編號76");
    }
    void otherErrorsShowTheirNumber()
    {
        QFETCH(int, error);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        // The copy of the first file fails.
        FaultInjectingFileService faulty(f->tmp.files());
        faulty.failNthCallOf(QStringLiteral("copyFile"), 1, error);
        f->services.reset(new Services{f->tmp.prefix(), faulty, f->desktop, f->pictures,
                                       f->services->programFolder, QString(), false});
        start();
        drop({incoming("a.bmp", 41), incoming("b.bmp", 42)});
        QCOMPARE(f->desktop.boxes, QList<ScriptedDesktop::Box>{box(prompt, 16, title)});
        QCOMPARE(faulty.callsOf(QStringLiteral("copyFile")), 1);
        QCOMPARE(scans->count(), 0);
        f.reset(); // the window goes before the file service it uses
    }
};

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
