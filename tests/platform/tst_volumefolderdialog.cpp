#include "platform/QtDesktop.h"
#include "support/TempPrefix.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>

using namespace bg;

static QStringList names(const QModelIndex &parent)
{
    QStringList out;
    for (int row = 0; row < parent.model()->rowCount(parent); ++row)
        out << parent.model()->index(row, 0, parent).data().toString();
    return out;
}

// In the middle of the row; a double click arrives as a click and then the double-click event.
static void click(QTreeView *tree, const QModelIndex &index, bool twice = false)
{
    const QPoint at = tree->visualRect(index).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

class TestVolumeFolderDialog : public QObject
{
    Q_OBJECT
private slots:
    // Folders are read when expanded, on a worker, and sorted ignoring case; one that cannot be
    // read says so. Enter gives the chosen folder (none past 259 characters), Cancel and Escape
    // nothing.
    void choose()
    {
        const QString longName(257, u'x'); // "C:\" and it: 260 characters
        QStringList read; // written by the worker only while the test waits
        bool offGuiThread = true;
        VolumeFolderDialog dialog("請選擇", {"C:\\"}, [&](const QString &folder) {
            read << folder;
            offGuiThread &= QThread::currentThread() != qApp->thread();
            const QHash<QString, QStringList> tree{{"C:\\", {"Logos", "windows", longName, "Bad", "apps"}},
                                                   {"C:\\Logos", {"開機"}}};
            return folder == "C:\\Bad" ? std::nullopt : std::optional(tree.value(folder));
        });
        dialog.show();
        auto *tree = dialog.findChild<QTreeView *>("tvwFolders");
        auto *ok = dialog.findChild<QPushButton *>("cmdOK");
        const QModelIndex root = tree->model()->index(0, 0);
        QVERIFY(!ok->isEnabled());
        click(tree, root);
        QVERIFY(ok->isEnabled() && read.isEmpty());
        QTest::keyClick(tree, Qt::Key_Right);
        QCOMPARE(names(root), QStringList{"正在讀取…"}); // the read's end waits for the event loop
        QTRY_COMPARE(names(root), (QStringList{"apps", "Bad", "Logos", "windows", longName}));
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right}) // expands Bad
            QTest::keyClick(tree, key);
        QTRY_COMPARE(names(tree->currentIndex()), QStringList{"無法讀取這個資料夾。"});
        click(tree, tree->model()->index(0, 0, tree->currentIndex())); // the note cannot be chosen
        QCOMPARE(dialog.chosenFolder(), "C:\\Bad");
        const QModelIndex logos = tree->model()->index(2, 0, root);
        click(tree, logos, true);
        QTRY_COMPARE(names(logos), QStringList{"開機"});
        const auto choose = [&](const QModelIndex &at, Qt::Key key) -> QString {
            dialog.show();
            click(tree, at);
            QTest::keyClick(tree, key);
            return dialog.isVisible() ? "open" : dialog.result() ? dialog.chosenFolder() : "none";
        };
        QCOMPARE(choose(tree->model()->index(0, 0, logos), Qt::Key_Return), "C:\\Logos\\開機");
        QCOMPARE(choose(tree->model()->index(4, 0, root), Qt::Key_Return), "");
        QCOMPARE(choose(root, Qt::Key_Return), "C:\\");
        dialog.show();
        QTest::mouseClick(dialog.findChild<QWidget *>("cmdCancel"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible() && dialog.result() == QDialog::Rejected);
        QCOMPARE(choose(root, Qt::Key_Escape), "none");
        QCOMPARE(read, QStringList({"C:\\", "C:\\Bad", "C:\\Logos"}));
        QVERIFY(offGuiThread);
    }

    // The desktop's picker, titled with the prompt, is this window over the drives that are disk
    // images while there are any, else Qt's file dialog.
    void desktopPicker()
    {
        test::TempPrefix machine;
        QtDesktop desktop(machine.prefix());
        for (const QStringList &roots : {QStringList(), QStringList{"D:\\"}}) {
            desktop.setVolumeFolders([roots] { return roots; }, [](const QString &) { return QStringList(); });
            bool expected = false;
            QTimer::singleShot(0, this, [&] {
                QWidget *dialog = QApplication::activeModalWidget();
                QTimer::singleShot(10000, dialog, &QWidget::close); // a key that does not end it fails
                expected = dialog->inherits("QFileDialog") == roots.isEmpty() && dialog->windowTitle() == "選資料夾";
                if (auto *tree = dialog->findChild<QTreeView *>("tvwFolders"))
                    click(tree, tree->model()->index(0, 0));
                QTest::keyClick(dialog, roots.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
            });
            QCOMPARE(desktop.browseForFolder(nullptr, "選資料夾"), roots.value(0));
            QVERIFY(expected);
        }
    }
};

QTEST_MAIN(TestVolumeFolderDialog)
#include "tst_volumefolderdialog.moc"
