// The Restore button: used logos go back from Showed into the shown folder.
#include "support/WindowFixture.h"

#include <QDir>
#include <QHash>
#include <QPushButton>
#include <QTest>

using namespace bg;
using namespace bg::test;

namespace {

const QString Folder = QStringLiteral("C:\\Logos\\");
const QString Showed = QStringLiteral("C:\\Logos\\Showed");
const QString Used = QStringLiteral("C:\\Logos\\Showed\\");

enum ShowedKind { NoShowed, ShowedFolder, ShowedFile };

} // namespace

class TestRestore : public QObject
{
    Q_OBJECT

private slots:
    void restore_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("inFolder");
        QTest::addColumn<QStringList>("used");
        QTest::addColumn<QString>("extra"); // "note": a 2,000-byte file in Showed; "sub": a folder
                                            // in Showed; "ro": Showed itself read-only
        QTest::addColumn<QStringList>("left"); // what stays in Showed
        QTest::addColumn<bool>("remains");
        const QStringList k{"k.bmp"}, none, abc{"a.bmp", "b.bmp", "c.bmp"};
        QTest::newRow("three logos come back") << int(ShowedFolder) << k << abc << "" << none << false;
        QTest::newRow("name already in the folder") << int(ShowedFolder) << QStringList{"a.bmp", "k.bmp"}
                                                    << QStringList{"a.bmp"} << "" << QStringList{"a.bmp"} << true;
        QTest::newRow("a 2,000-byte file stays") << int(ShowedFolder) << k << QStringList{"a.bmp", "b.bmp"}
                                                 << "note" << QStringList{"note.txt"} << true;
        QTest::newRow("subfolder, no files") << int(ShowedFolder) << k << none << "sub" << none << true;
        QTest::newRow("empty") << int(ShowedFolder) << k << none << "" << none << false;
        QTest::newRow("empty, read-only") << int(ShowedFolder) << k << none << "ro" << none << true;
        QTest::newRow("no Showed") << int(NoShowed) << k << none << "" << none << false;
        QTest::newRow("Showed is a file") << int(ShowedFile) << k << none << "" << none << true;
    }
    void restore()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, inFolder);
        QFETCH(QStringList, used);
        QFETCH(QString, extra);
        QFETCH(QStringList, left);
        QFETCH(bool, remains);
        QStringList entries = inFolder; // the folder's files and every used logo that came back
        for (const QString &name : used)
            if (!entries.contains(name))
                entries << name;
        entries.sort();

        WindowFixture f;
        f.writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=") + Folder + "\n");
        QVERIFY(f.writeLogos(Folder, inFolder));
        if (kind == ShowedFile)
            QVERIFY(f.tmp.writeFile(Showed, "not a folder"));
        if (kind == ShowedFolder) {
            QVERIFY(f.tmp.makeFolder(Showed));
            for (int i = 0; i < used.size(); ++i)
                QVERIFY(f.writeLogo(Used + used[i], 50 + i));
            if (extra == "note")
                QVERIFY(f.tmp.writeFileOfSize(Used + "note.txt", 2000));
            if (extra == "sub")
                QVERIFY(f.tmp.makeFolder(Used + "old"));
        }
        QHash<QString, QByteArray> before;
        for (const QString &name : used)
            before.insert(name, f.tmp.readFile(Used + name));
        const QByteArray folderFileBefore = f.tmp.readFile(Folder + "a.bmp");
        if (extra == "ro")
            QVERIFY(f.tmp.setReadOnly(Showed, true));
        QVERIFY(f.load().showWindow);
        QCOMPARE(f.w().cmdRestore->isEnabled(), kind != NoShowed);

        f.w().cmdRestore_Click();
        if (extra == "ro")
            f.tmp.setReadOnly(Showed, false);

        QVERIFY(f.desktop.boxes.isEmpty());
        QCOMPARE(f.entries(), entries);
        QCOMPARE(f.tmp.exists(Showed), remains);
        QCOMPARE(f.w().cmdRestore->isEnabled(), remains);
        if (kind == ShowedFolder) {
            QCOMPARE(QDir(f.tmp.host(Showed)).entryList(QDir::Files), left);
            QCOMPARE(f.tmp.exists(Used + "old"), extra == "sub");
        }
        for (const QString &name : used)
            if (!left.contains(name))
                QCOMPARE(f.tmp.readFile(Folder + name), before.value(name));
        if (left.contains("a.bmp")) {
            QCOMPARE(f.tmp.readFile(Folder + "a.bmp"), folderFileBefore);
            QCOMPARE(f.tmp.readFile(Used + "a.bmp"), before.value("a.bmp"));
        }
    }
};

QTEST_MAIN(TestRestore)
#include "tst_restore.moc"
