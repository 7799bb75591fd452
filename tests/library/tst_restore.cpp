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
        QTest::addColumn<bool>("otherFile");   // a 2,000-byte file in Showed
        QTest::addColumn<bool>("subFolder");   // a folder in Showed
        QTest::addColumn<bool>("readOnly");    // Showed itself read-only
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("left"); // what stays in Showed
        QTest::addColumn<bool>("remains");
        QTest::addColumn<bool>("buttonBefore");

        const QStringList k{"k.bmp"};
        QTest::newRow("three logos come back")
            << int(ShowedFolder) << k << QStringList{"a.bmp", "b.bmp", "c.bmp"} << false << false
            << false << QStringList{"a.bmp", "b.bmp", "c.bmp", "k.bmp"} << QStringList() << false
            << true;
        QTest::newRow("name already in the folder")
            << int(ShowedFolder) << QStringList{"a.bmp", "k.bmp"} << QStringList{"a.bmp"} << false
            << false << false << QStringList{"a.bmp", "k.bmp"} << QStringList{"a.bmp"} << true
            << true;
        QTest::newRow("a 2,000-byte file stays")
            << int(ShowedFolder) << k << QStringList{"a.bmp", "b.bmp"} << true << false << false
            << QStringList{"a.bmp", "b.bmp", "k.bmp"} << QStringList{"note.txt"} << true << true;
        QTest::newRow("subfolder, no files")
            << int(ShowedFolder) << k << QStringList() << false << true << false << k
            << QStringList() << true << true;
        QTest::newRow("empty") << int(ShowedFolder) << k << QStringList() << false << false
                               << false << k << QStringList() << false << true;
        QTest::newRow("empty, read-only") << int(ShowedFolder) << k << QStringList() << false
                                          << false << true << k << QStringList() << true << true;
        QTest::newRow("no Showed") << int(NoShowed) << k << QStringList() << false << false
                                   << false << k << QStringList() << false << false;
        QTest::newRow("Showed is a file") << int(ShowedFile) << k << QStringList() << false
                                          << false << false << k << QStringList() << true << true;
    }
    void restore()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, inFolder);
        QFETCH(QStringList, used);
        QFETCH(bool, otherFile);
        QFETCH(bool, subFolder);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, left);
        QFETCH(bool, remains);
        QFETCH(bool, buttonBefore);

        WindowFixture f;
        QVERIFY(f.tmp.isValid());
        f.writeSettings(QStringLiteral("[SplashwheelSet]\nStart_Path=") + Folder + "\n");
        QVERIFY(f.writeLogos(Folder, inFolder));
        if (kind == ShowedFile)
            QVERIFY(f.tmp.writeFile(Showed, "not a folder"));
        if (kind == ShowedFolder) {
            QVERIFY(f.tmp.makeFolder(Showed));
            for (int i = 0; i < used.size(); ++i)
                QVERIFY(f.writeLogo(Used + used[i], 50 + i));
            if (otherFile)
                QVERIFY(f.tmp.writeFileOfSize(Used + "note.txt", 2000));
            if (subFolder)
                QVERIFY(f.tmp.makeFolder(Used + "old"));
        }
        QHash<QString, QByteArray> before;
        for (const QString &name : used)
            before.insert(name, f.tmp.readFile(Used + name));
        const QByteArray folderFileBefore = f.tmp.readFile(Folder + "a.bmp");
        if (readOnly)
            QVERIFY(f.tmp.setReadOnly(Showed, true));
        QVERIFY(f.load().showWindow);
        QCOMPARE(f.w().cmdRestore->isEnabled(), buttonBefore);

        f.w().cmdRestore_Click();
        if (readOnly)
            f.tmp.setReadOnly(Showed, false);

        QVERIFY(f.desktop.boxes.isEmpty());
        QCOMPARE(f.entries(), entries);
        QCOMPARE(f.tmp.exists(Showed), remains);
        QCOMPARE(f.w().cmdRestore->isEnabled(), remains);
        if (kind == ShowedFolder) {
            QStringList files = QDir(f.tmp.host(Showed)).entryList(QDir::Files);
            QCOMPARE(files, left);
            QCOMPARE(f.tmp.exists(Used + "old"), subFolder);
        }
        for (const QString &name : used) {
            if (!left.contains(name))
                QCOMPARE(f.tmp.readFile(Folder + name), before.value(name));
        }
        if (left.contains("a.bmp")) {
            QCOMPARE(f.tmp.readFile(Folder + "a.bmp"), folderFileBefore);
            QCOMPARE(f.tmp.readFile(Used + "a.bmp"), before.value("a.bmp"));
        }
    }
};

QTEST_MAIN(TestRestore)
#include "tst_restore.moc"
